#include "ui/panel/PanelText.h"

#include "app/Localizer.h"

#include <QLabel>

namespace brisel {

QString percentText(const Localizer& l10n, std::int64_t percent) {
    if (percent == 0) return l10n.tr("limit.off");
    return QString::number(percent) + "%";
}

void setUpPanelLabel(QLabel* label, const QFont& font, bool wrap) {
    label->setFont(font);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(wrap);
    label->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Minimum);
}

void showLabel(QLabel* label, const QString& text, const QColor& color) {
    if (label->text() != text) label->setText(text);
    // The colour goes into a role of its own, so the label's text colour keeps following the
    // window's and colours derived from it are not derived twice.
    label->setForegroundRole(QPalette::BrightText);
    if (label->palette().color(QPalette::BrightText) == color) return;
    QPalette palette = label->palette();
    palette.setColor(QPalette::BrightText, color);
    label->setPalette(palette);
}

} // namespace brisel

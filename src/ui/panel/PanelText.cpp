#include "ui/panel/PanelText.h"

#include "localization/Localizer.h"
#include "ui/design/Appearance.h"
#include "ui/design/BriselColors.h"
#include "ui/design/BriselSemanticColor.h"

#include <QLabel>

#include <cmath>

namespace brisel {

QString percentText(const Localizer& l10n, std::int64_t percent) {
    if (percent == 0) return l10n.tr("limit.off");
    return QString::number(percent) + "%";
}

QColor toneColor(PanelTone tone, const Appearance& appearance, const QPalette& palette) {
    switch (tone) {
    case PanelTone::primary:
        return BriselColors::primary(palette);
    case PanelTone::secondary:
        return BriselColors::secondary(palette);
    case PanelTone::amber:
        return BriselSemanticColor::amber(appearance.dark);
    case PanelTone::emerald:
        return BriselSemanticColor::emerald(appearance.dark);
    case PanelTone::electricBlue:
        return BriselSemanticColor::electricBlue(appearance.dark);
    case PanelTone::crimson:
        break;
    }
    return BriselSemanticColor::crimson(appearance.dark);
}

std::optional<double> finiteReading(std::optional<double> value) {
    if (value && !std::isfinite(*value)) return std::nullopt;
    return value;
}

QString oneDecimal(double value) {
    return QString::number(value, 'f', 1);
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
    // Setting the role, even to the same one, sends a palette change through the label and
    // repaints it.
    if (label->foregroundRole() != QPalette::BrightText) label->setForegroundRole(QPalette::BrightText);
    if (label->palette().color(QPalette::BrightText) == color) return;
    QPalette palette = label->palette();
    palette.setColor(QPalette::BrightText, color);
    label->setPalette(palette);
}

} // namespace brisel

#include "ui/design/SectionCard.h"

#include "ui/design/BriselColors.h"
#include "ui/design/BriselGeometry.h"
#include "ui/design/BriselTypography.h"
#include "ui/design/SymbolView.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace brisel {

SectionCard::SectionCard(ViewContext context, QString title, QString systemImage, QWidget* parent)
    : BriselCard(context, parent),
      symbol_(new SymbolView(std::move(systemImage), 10.5, QFont::DemiBold, 13, this)),
      title_(new QLabel(title, this)), trailing_(new QLabel(this)), header_(new QHBoxLayout),
      content_(new QVBoxLayout), iconColor_(BriselColors::secondary(palette())) {
    title_->setFont(BriselTypography::sectionHeader());
    title_->setTextFormat(Qt::PlainText);
    trailing_->setFont(BriselTypography::microMeta());
    trailing_->setTextFormat(Qt::PlainText);
    trailing_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    trailing_->hide();

    header_->setContentsMargins(0, 0, 0, 0);
    header_->setSpacing(5);
    header_->addWidget(symbol_, 0, Qt::AlignVCenter);
    header_->addWidget(title_, 0, Qt::AlignVCenter);
    header_->addStretch(1);
    header_->addWidget(trailing_, 0, Qt::AlignVCenter);

    content_->setContentsMargins(0, 0, 0, 0);
    const int inset = qRound(BriselGeometry::cardContentInset);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(inset, inset, inset, inset);
    column->setSpacing(qRound(5.5));
    column->addLayout(header_);
    column->addLayout(content_);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    syncColors();
}

void SectionCard::setTitle(const QString& title) {
    if (title != title_->text()) title_->setText(title);
}

void SectionCard::setSystemImage(const QString& name) {
    symbol_->setName(name);
}

void SectionCard::setTrailingText(const std::optional<QString>& text) {
    if (text && *text != trailing_->text()) trailing_->setText(*text);
    if (trailing_->isHidden() == text.has_value()) trailing_->setVisible(text.has_value());
}

void SectionCard::setTrailingReserve(const QString& widest) {
    trailing_->setMinimumWidth(trailing_->fontMetrics().horizontalAdvance(widest));
}

void SectionCard::setTheme(std::optional<BriselTheme> theme) {
    AppearanceOverride next = appearanceOverride();
    next.theme = theme;
    setAppearanceOverride(next);
}

void SectionCard::appearanceChanged() {
    syncColors();
}

void SectionCard::changeEvent(QEvent* event) {
    if (event->type() == QEvent::PaletteChange) syncColors();
    BriselCard::changeEvent(event);
}

void SectionCard::syncColors() {
    // The header follows the shared theme, like all secondary text around it.
    const QColor color =
        BriselColors::secondaryForeground(context().currentAppearance(), BriselColors::secondary(palette()));
    symbol_->setColor(color);
    for (QLabel* label : {title_, trailing_}) {
        if (label->palette().color(QPalette::WindowText) == color) continue;
        QPalette p = label->palette();
        p.setColor(QPalette::WindowText, color);
        label->setPalette(p);
    }
}

} // namespace brisel

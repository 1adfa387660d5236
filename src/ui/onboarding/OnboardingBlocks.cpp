#include "ui/onboarding/OnboardingBlocks.h"

#include "ui/design/AccessibleText.h"
#include "ui/design/BriselAccessibleWidget.h"
#include "ui/design/BriselColors.h"
#include "ui/design/BriselSemanticColor.h"
#include "ui/design/BriselTypography.h"
#include "ui/design/SymbolView.h"
#include "ui/onboarding/OnboardingRules.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QProgressBar>

namespace brisel {

namespace {

constexpr const char* secondaryProperty = "onboardingSecondary";
constexpr const char* buttonStyleProperty = "onboardingButtonStyle";

// Sets `color` as the text colour of the enabled states only, so a disabled widget keeps the
// palette's disabled text.
void setTextColor(QWidget* widget, QPalette::ColorRole role, const QColor& color) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Active, role, color);
    palette.setColor(QPalette::Inactive, role, color);
    widget->setPalette(palette);
}

QColor secondaryColor(const Appearance& appearance, const QPalette& palette) {
    return BriselColors::secondaryForeground(appearance, BriselColors::primary(palette, 0.8));
}

void styleButton(QPushButton* button, ButtonStyle style, const Appearance& appearance, const QPalette& base) {
    QPalette palette = base;
    const QColor accent = base.color(QPalette::Highlight);
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
        switch (style) {
        case ButtonStyle::standard:
        case ButtonStyle::plain:
            break;
        case ButtonStyle::prominent:
            break;
        case ButtonStyle::link:
            palette.setColor(group, QPalette::ButtonText, accent);
            break;
        case ButtonStyle::quiet:
            palette.setColor(group, QPalette::ButtonText, secondaryColor(appearance, base));
            break;
        }
    }
    button->setPalette(palette);
    button->update();
    button->setFlat(style != ButtonStyle::standard && style != ButtonStyle::prominent);
}

// A push button that draws the prominent style itself: the platform style would blend the
// highlight colour into its gradient and lose the contrast of the label.
class OnboardingButton : public QPushButton {
public:
    using QPushButton::QPushButton;

    // A little more room around the label than the platform style leaves.
    QSize sizeHint() const override {
        return isFlat() ? QPushButton::sizeHint() : QPushButton::sizeHint() + QSize(12, 4);
    }

protected:
    void paintEvent(QPaintEvent* event) override {
        // The ring goes round the button's edge: the platform style shows no focus on a flat button
        // and barely any on a framed one, and a ring on the prominent fill would be the fill's own
        // colour.
        QPainterPath ring;
        ring.addRoundedRect(QRectF(rect()).adjusted(1, 1, -1, -1), 6, 6);
        if (ButtonStyle(property(buttonStyleProperty).toInt()) != ButtonStyle::prominent) {
            QPushButton::paintEvent(event);
            if (!hasFocus()) return;
            QPainter painter(this);
            return BriselColors::paintFocusRing(painter, ring, palette());
        }
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        // With focus the fill draws back from the ring, so that the two stay apart.
        const double inset = hasFocus() ? 3.5 : 1.5;
        const QRectF shape = QRectF(rect()).adjusted(inset, inset, -inset, -inset);
        QPainterPath path;
        path.addRoundedRect(shape, 6, 6);
        QColor fill = palette().color(QPalette::Active, QPalette::Highlight);
        if (isDown()) fill = fill.darker(115);
        if (!isEnabled()) fill.setAlphaF(0.35f);
        painter.fillPath(path, fill);
        if (hasFocus()) BriselColors::paintFocusRing(painter, ring, palette());
        painter.setPen(palette().color(QPalette::Active, QPalette::HighlightedText));
        painter.setFont(font());
        painter.drawText(shape, Qt::AlignCenter | Qt::TextShowMnemonic, text());
    }
};

} // namespace

QFont onboardingFont(double pixels, QFont::Weight weight) {
    return BriselTypography::systemFont(pixels, weight);
}

QLabel* makeText(double pixels, QFont::Weight weight, bool secondary) {
    auto* label = new QLabel;
    label->setFont(onboardingFont(pixels, weight));
    label->setWordWrap(true);
    label->setTextFormat(Qt::PlainText);
    label->setProperty(secondaryProperty, secondary);
    return label;
}

QPushButton* makeButton(const QString& objectName, ButtonStyle style, double pixels) {
    auto* button = new OnboardingButton;
    button->setObjectName(objectName);
    button->setFont(onboardingFont(pixels));
    button->setAutoDefault(false);
    setButtonStyle(button, style);
    return button;
}

void setButtonStyle(QPushButton* button, ButtonStyle style) {
    if (button->property(buttonStyleProperty).toInt() == int(style) &&
        button->property(buttonStyleProperty).isValid())
        return;
    button->setProperty(buttonStyleProperty, int(style));
    styleButton(button, style, {}, QApplication::palette(button));
}

void applyAppearance(QWidget* root, const Appearance& appearance) {
    const QPalette& base = QApplication::palette(root);
    for (BriselCard* card : root->findChildren<BriselCard*>())
        card->setAppearanceOverride({appearance.theme, std::nullopt, std::nullopt});
    for (ChoiceCard* card : root->findChildren<ChoiceCard*>())
        card->setAppearance(appearance);
    const QColor secondary = secondaryColor(appearance, base);
    for (QWidget* widget : root->findChildren<QWidget*>()) {
        if (!widget->property(secondaryProperty).toBool()) continue;
        if (auto* symbol = qobject_cast<SymbolView*>(widget))
            symbol->setColor(secondary);
        else
            setTextColor(widget, QPalette::WindowText, secondary);
    }
    for (QPushButton* button : root->findChildren<QPushButton*>())
        if (const QVariant style = button->property(buttonStyleProperty); style.isValid())
            styleButton(button, ButtonStyle(style.toInt()), appearance, base);
}

SymbolLine::SymbolLine(const QString& symbol, double pixels, QFont::Weight weight, bool secondary,
                       QWidget* parent)
    : QWidget(parent), symbol_(new SymbolView(symbol, pixels, weight, pixels * 1.4)),
      label_(makeText(pixels, weight, secondary)) {
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(6);
    row->addWidget(symbol_, 0, Qt::AlignTop);
    row->addWidget(label_, 1);
    symbol_->setProperty(secondaryProperty, secondary);
}

void SymbolLine::setText(const QString& text) {
    label_->setText(text);
}
void SymbolLine::setSymbol(const QString& symbol) {
    symbol_->setName(symbol);
}

Note::Note(const QString& symbol, QWidget* parent) : SymbolLine(symbol, 11, QFont::Normal, true, parent) {
    setContentsMargins(4, 0, 4, 0);
}

Heading::Heading(QWidget* parent)
    : QWidget(parent), title_(makeText(19, QFont::DemiBold)), body_(makeText(11.5, QFont::Normal, true)) {
    title_->setObjectName("onboarding.heading");
    BriselAccessibleWidget::setRole(title_, QAccessible::Heading);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(4, 0, 4, 4);
    column->setSpacing(6);
    column->addWidget(title_);
    column->addWidget(body_);
}

void Heading::setTexts(const QString& title, const QString& body) {
    title_->setText(title);
    body_->setText(body);
}

Card::Card(ViewContext context, QWidget* parent)
    : BriselCard(context, parent), column_(new QVBoxLayout(this)) {
    column_->setContentsMargins(13, 13, 13, 13);
    column_->setSpacing(10);
}

void Card::addWidget(QWidget* widget) {
    column_->addWidget(widget);
}

StatusCard::StatusCard(ViewContext context, const QString& symbol, QWidget* parent)
    : Card(context, parent), line_(add(new SymbolLine(symbol, 11.5))) {}

ChoiceCard::ChoiceCard(const QString& id, const QString& icon, std::function<void()> action, QWidget* parent)
    : QAbstractButton(parent), icon_(new SymbolView(icon, 24, QFont::Normal, 32)),
      mark_(new SymbolView("circle", 16, QFont::Normal, 18)), title_(makeText(13, QFont::DemiBold)),
      body_(makeText(11, QFont::Normal, true)) {
    setObjectName(id);
    setCheckable(true);
    BriselAccessibleWidget::setRole(this, QAccessible::RadioButton);
    setFocusPolicy(Qt::StrongFocus);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(BriselCard::shadowMargins() + QMargins(13, 13, 13, 13));
    row->setSpacing(12);
    auto* texts = new QVBoxLayout;
    texts->setSpacing(5);
    texts->addStretch(1);
    texts->addWidget(title_);
    texts->addWidget(body_);
    texts->addStretch(1);
    row->addWidget(icon_);
    row->addLayout(texts, 1);
    row->addWidget(mark_);
    for (QWidget* child : {static_cast<QWidget*>(icon_), static_cast<QWidget*>(mark_),
                           static_cast<QWidget*>(title_), static_cast<QWidget*>(body_)})
        child->setAttribute(Qt::WA_TransparentForMouseEvents);
    const int margins = BriselCard::shadowMargins().top() + BriselCard::shadowMargins().bottom();
    setMinimumHeight(76 + margins);
    connect(this, &QAbstractButton::clicked, this, [this, action = std::move(action)] {
        setFocus(Qt::MouseFocusReason);
        if (action) action();
    });
}

void ChoiceCard::setTexts(const QString& title, const QString& body) {
    title_->setText(title);
    body_->setText(body);
    setAccessibleNameIfChanged(this, title);
    setAccessibleDescriptionIfChanged(this, body);
}

void ChoiceCard::setSymbol(const QString& icon) {
    icon_->setName(icon);
}

void ChoiceCard::setSelected(bool selected) {
    if (selected == isChecked()) return;
    setChecked(selected);
    syncColors();
}

void ChoiceCard::setAppearance(const Appearance& appearance) {
    appearance_ = appearance;
    syncColors();
}

bool ChoiceCard::outlined() const {
    return onboarding::choiceOutlined(isChecked(), hasFocus());
}

void ChoiceCard::syncColors() {
    const QColor accent = palette().color(QPalette::Highlight);
    const QColor secondary = BriselColors::secondary(palette());
    icon_->setColor(isChecked() ? accent : secondary);
    mark_->setName(isChecked() ? "checkmark.circle.fill" : "circle");
    mark_->setColor(isChecked() ? accent : secondary);
    update();
}

void ChoiceCard::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF shape = QRectF(rect()).marginsRemoved(QMarginsF(BriselCard::shadowMargins()));
    BriselCard::paint(painter, shape, appearance_, palette());
    const double radius = onboarding::choiceRadius(appearance_.theme);
    QPainterPath outline;
    outline.addRoundedRect(shape, radius, radius);
    if (outlined()) painter.strokePath(outline, QPen(palette().color(QPalette::Highlight), 1.2));
    if (hasFocus()) BriselColors::paintFocusRing(painter, outline, palette());
}

void ChoiceCard::keyPressEvent(QKeyEvent* event) {
    const int key = event->key();
    if (key == Qt::Key_Up || key == Qt::Key_Down || key == Qt::Key_Left || key == Qt::Key_Right) {
        if (!onMove_) return event->ignore();
        onMove_(key == Qt::Key_Down || key == Qt::Key_Right);
        return event->accept();
    }
    QAbstractButton::keyPressEvent(event);
}

void ChoiceCard::focusInEvent(QFocusEvent* event) {
    QAbstractButton::focusInEvent(event);
    update();
}

void ChoiceCard::focusOutEvent(QFocusEvent* event) {
    QAbstractButton::focusOutEvent(event);
    update();
}

ResultRow::ResultRow(const QString& key, QWidget* parent)
    : QWidget(parent), key_(key), label_(makeText(11)),
      check_(new SymbolView("checkmark.circle.fill", 11, QFont::Normal, 12)), value_(makeText(11)) {
    setObjectName(key);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(label_, 0, Qt::AlignTop);
    row->addStretch(1);
    row->addWidget(check_, 0, Qt::AlignTop);
    row->addWidget(value_, 0, Qt::AlignTop);
    row->setSpacing(4);
}

void ResultRow::sync(const PageEnv& env, SetupResult result) {
    label_->setText(env.tr(key_));
    value_->setText(env.tr(QString::fromStdString(localizationKey(result))));
    check_->setVisible(result == SetupResult::confirmed);
    check_->setColor(BriselSemanticColor::emerald(env.context.currentAppearance().dark));
}

ResultsCard::ResultsCard(ViewContext context, QWidget* parent) : Card(context, parent) {
    for (const char* key : {"onboarding.chargeResult", "onboarding.ordinaryResult", "onboarding.lidResult"})
        rows_ << add(new ResultRow(key));
}

void ResultsCard::sync(const PageEnv& env, const OnboardingState& state) {
    const std::vector<onboarding::ResultLine> lines = onboarding::resultLines(state);
    for (ResultRow* row : rows_) {
        const auto line = std::find_if(lines.begin(), lines.end(), [row](const onboarding::ResultLine& l) {
            return l.key == row->objectName();
        });
        row->setVisible(line != lines.end());
        if (line != lines.end()) row->sync(env, line->result);
    }
}

SummaryLine::SummaryLine(const QString& labelKey, QWidget* parent)
    : QWidget(parent), labelKey_(labelKey), label_(makeText(11)), value_(makeText(11, QFont::Normal, true)) {
    setObjectName(labelKey);
    value_->setAlignment(Qt::AlignRight | Qt::AlignTop);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(label_, 0, Qt::AlignTop);
    row->addStretch(1);
    row->addWidget(value_, 0, Qt::AlignTop);
}

void SummaryLine::sync(const PageEnv& env, const QString& valueKey) {
    label_->setText(env.tr(labelKey_));
    value_->setText(env.tr(valueKey));
}

BusyLine::BusyLine(QWidget* parent) : QWidget(parent), label_(makeText(11)) {
    auto* bar = new QProgressBar;
    bar->setRange(0, 0);
    bar->setTextVisible(false);
    bar->setFixedSize(48, 6);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(8);
    row->addWidget(bar);
    row->addWidget(label_, 1);
}

void BusyLine::setText(const QString& text) {
    label_->setText(text);
}

} // namespace brisel

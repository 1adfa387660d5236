#include "ui/panel/PanelControls.h"

#include "ui/design/AccessibleText.h"
#include "ui/design/BriselAccessibleWidget.h"
#include "ui/design/BriselColors.h"
#include "ui/design/BriselControlPillSurface.h"
#include "ui/design/BriselTypography.h"
#include "ui/design/SurfaceView.h"
#include "ui/design/SymbolPainter.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <QSet>
#include <QStyleOptionButton>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace brisel {

namespace {

constexpr double symbolGap = 5;
constexpr int checkGap = 6;
constexpr double chevronSize = 8;
const Spring chevronSpring{0.16 / 1.2, 0.8};

int up(double value) {
    return int(std::ceil(value));
}

} // namespace

namespace {

void collectFocusable(QWidget* widget, QList<QWidget*>& out, QSet<QWidget*>& seen);

void collectFocusable(QLayout* layout, QList<QWidget*>& out, QSet<QWidget*>& seen) {
    for (int i = 0; i < layout->count(); ++i) {
        QLayoutItem* item = layout->itemAt(i);
        if (QWidget* widget = item->widget())
            collectFocusable(widget, out, seen);
        else if (QLayout* inner = item->layout())
            collectFocusable(inner, out, seen);
    }
}

void collectFocusable(QWidget* widget, QList<QWidget*>& out, QSet<QWidget*>& seen) {
    if (seen.contains(widget)) return;
    seen.insert(widget);
    if (widget->focusPolicy() & Qt::TabFocus) out << widget;
    if (widget->layout()) collectFocusable(widget->layout(), out, seen);
    // Children placed by hand (an overlay) follow their parent's laid-out ones.
    for (QWidget* child : widget->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
        if (!child->isWindow()) collectFocusable(child, out, seen);
}

} // namespace

void orderTabsByLayout(QWidget* root) {
    QList<QWidget*> order;
    QSet<QWidget*> seen;
    collectFocusable(root, order, seen);
    for (qsizetype i = 1; i < order.size(); ++i)
        QWidget::setTabOrder(order[i - 1], order[i]);
}

SurfaceView* panelDivider(ViewContext context, double opacity, QWidget* parent) {
    auto* divider = new SurfaceView(
        context,
        [opacity](QPainter& p, const QRectF& r, const Appearance&, const QPalette& palette) {
            p.fillRect(r, BriselColors::primary(palette, 0.35 * opacity));
        },
        parent);
    divider->setFixedHeight(1);
    return divider;
}

// ---- text button -----------------------------------------------------------------------------------

PanelButton::Look PanelButton::pushLook() {
    return {BriselTypography::microMeta(), true, 8, 3, 6, false};
}

PanelButton::Look PanelButton::linkLook() {
    return {BriselTypography::microMeta(), false, 0, 1, 6, true};
}

PanelButton::PanelButton(ViewContext context, const QString& objectName, Look look, QWidget* parent)
    : BriselScaleButton(context, parent), look_(std::move(look)) {
    // Plain text has no pill to pad it: it keeps clear of the focus ring.
    if (!look_.pill) {
        look_.padX = std::max(look_.padX, focusRingRoom);
        look_.padY = std::max(look_.padY, focusRingRoom);
    }
    setObjectName(objectName);
    setFont(look_.font);
    setAttribute(Qt::WA_Hover);
    // A wrapping label grows by the lines its width leaves it; a fixed height would cut them.
    QSizePolicy policy(look_.wrap ? QSizePolicy::Preferred : QSizePolicy::Fixed,
                       look_.wrap ? QSizePolicy::Minimum : QSizePolicy::Fixed);
    policy.setHeightForWidth(look_.wrap);
    setSizePolicy(policy);
}

void PanelButton::setLabel(const QString& text) {
    if (text == this->text()) return;
    setText(text);
    updateGeometry();
}

void PanelButton::setSymbol(const QString& name) {
    if (name == symbol_) return;
    symbol_ = name;
    updateGeometry();
    update();
}

void PanelButton::setColor(const std::optional<QColor>& color) {
    if (color == color_) return;
    color_ = color;
    update();
}

void PanelButton::setHelp(const QString& help) {
    setHelpIfChanged(this, help);
}

double PanelButton::symbolRoom() const {
    return symbol_.isEmpty() ? 0 : QFontInfo(font()).pixelSize() + symbolGap;
}

QSizeF PanelButton::textSize(double width) const {
    const QFontMetricsF metrics(font());
    if (!look_.wrap) return {metrics.horizontalAdvance(text()), metrics.height()};
    return BriselTypography::wrappedSize(font(), text(), width);
}

QSize PanelButton::sizeHint() const {
    const QSizeF textRoom = textSize(1e6);
    return {up(2 * look_.padX + symbolRoom() + textRoom.width()) + 1, up(2 * look_.padY + textRoom.height())};
}

QSize PanelButton::minimumSizeHint() const {
    if (!look_.wrap) return sizeHint();
    return {up(2 * look_.padX + symbolRoom()) + 40, sizeHint().height()};
}

int PanelButton::heightForWidth(int width) const {
    const QSizeF textRoom = textSize(width - 2 * look_.padX - symbolRoom());
    return up(2 * look_.padY + textRoom.height());
}

void PanelButton::enterEvent(QEnterEvent* event) {
    hovered_ = true;
    update();
    BriselScaleButton::enterEvent(event);
}

void PanelButton::leaveEvent(QEvent* event) {
    hovered_ = false;
    update();
    BriselScaleButton::leaveEvent(event);
}

void PanelButton::paintLabel(QPainter& painter, const QRectF& rect) {
    if (look_.pill)
        BriselControlPillSurface::paint(painter, rect.adjusted(0.5, 0.5, -0.5, -0.5),
                                        context().currentAppearance(), palette(), {hovered_, look_.highlighted},
                                        look_.radius);
    const QColor color = color_.value_or(BriselColors::primary(palette()));
    const QRectF inner = rect.adjusted(look_.padX, look_.padY, -look_.padX, -look_.padY);
    double left = inner.left();
    if (!symbol_.isEmpty()) {
        const double side = QFontInfo(font()).pixelSize();
        const double top = look_.wrap ? inner.top() + (QFontMetricsF(font()).height() - side) / 2
                                      : inner.center().y() - side / 2;
        SymbolPainter::paint(painter, QRectF(left, top, side, side), symbol_, color, font().weight());
        left += side + symbolGap;
    }
    painter.setFont(font());
    painter.setPen(color);
    const QRectF textRect(left, inner.top(), inner.right() - left, inner.height());
    const int flags =
        look_.wrap ? Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap : Qt::AlignLeft | Qt::AlignVCenter;
    painter.drawText(textRect, flags, text());
    if (!look_.pill && hovered_ && isEnabled()) {
        // Plain text buttons underline on hover, which says they can be clicked.
        painter.setPen(QPen(color, 0.75));
        const double baseline = textRect.top() + QFontMetricsF(font()).ascent() + 1.5;
        const double width = std::min(textRect.width(), QFontMetricsF(font()).horizontalAdvance(text()));
        if (!look_.wrap || textSize(textRect.width()).height() < QFontMetricsF(font()).height() * 1.5)
            painter.drawLine(QPointF(textRect.left(), baseline), QPointF(textRect.left() + width, baseline));
    }
}

// ---- check box -------------------------------------------------------------------------------------

PanelCheckBox::PanelCheckBox(const QString& objectName, QWidget* parent) : QCheckBox(parent) {
    setObjectName(objectName);
    setFont(BriselTypography::controlLabel());
    // At least the height its wrapped text takes: a fixed height is one line of the first font,
    // and a line that falls back to another (CJK) font, or a second line, is taller.
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Minimum);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
    connect(this, &QAbstractButton::clicked, this, [this] {
        if (onToggle_) onToggle_(!isChecked());
    });
}

void PanelCheckBox::setHelp(const QString& help) {
    setHelpIfChanged(this, help);
}

int PanelCheckBox::indicatorWidth() const {
    return style()->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, this);
}

QSize PanelCheckBox::sizeHint() const {
    const QFontMetricsF metrics(font());
    const int indicator = style()->pixelMetric(QStyle::PM_IndicatorHeight, nullptr, this);
    return {indicatorWidth() + checkGap + up(metrics.horizontalAdvance(text())) + 2,
            std::max(indicator, up(metrics.height()))};
}

QSize PanelCheckBox::minimumSizeHint() const {
    return {indicatorWidth() + checkGap + 40, sizeHint().height()};
}

int PanelCheckBox::heightForWidth(int width) const {
    const QSizeF used = BriselTypography::wrappedSize(font(), text(), width - indicatorWidth() - checkGap);
    return std::max(sizeHint().height(), up(used.height()));
}

void PanelCheckBox::keyPressEvent(QKeyEvent* event) {
    if (!BriselScaleButton::clickOnReturn(*this, event)) QCheckBox::keyPressEvent(event);
}

void PanelCheckBox::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    const QFontMetricsF metrics(font());
    const int side = indicatorWidth();
    option.rect = QRect(0, std::max(0, up((metrics.height() - side) / 2)), side, side);
    style()->drawPrimitive(QStyle::PE_IndicatorCheckBox, &option, &painter, this);
    if (hasFocus()) {
        QPainterPath ring;
        ring.addRoundedRect(QRectF(option.rect).adjusted(-1.5, -1.5, 1.5, 1.5), 3, 3);
        BriselColors::paintFocusRing(painter, ring, palette());
    }
    painter.setPen(
        palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText));
    painter.drawText(QRectF(side + checkGap, 0, width() - side - checkGap, height()),
                     Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, text());
}

// ---- disclosure ------------------------------------------------------------------------------------

namespace {

// The disclosure's title row: a chevron that turns down while open, and the title.
class DisclosureButton : public BriselScaleButton {
public:
    DisclosureButton(ViewContext context, QWidget* parent)
        : BriselScaleButton(context, parent), turn_(
                                                  0, [this](double) { update(); }, this) {
        setCheckable(true);
        BriselAccessibleWidget::setDisclosure(this);
        setFont(BriselTypography::microMeta());
        setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
        connect(this, &QAbstractButton::toggled, this, [this](bool open) {
            turn_.moveTo(open ? 1 : 0, chevronSpring,
                         this->context().currentAppearance().reduceMotion || !isVisible());
        });
    }

    // Chevron and title keep clear of the focus ring.
    QSize sizeHint() const override {
        const QFontMetricsF metrics(font());
        return {up(chevronSize + symbolGap + metrics.horizontalAdvance(text()) + 2 * focusRingRoom) + 1,
                up(metrics.height() + 2 * focusRingRoom)};
    }
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void nextCheckState() override {}
    void paintLabel(QPainter& painter, const QRectF& whole) override {
        const QRectF rect = whole.adjusted(focusRingRoom, focusRingRoom, -focusRingRoom, -focusRingRoom);
        const QColor color = palette().color(QPalette::WindowText);
        const QRectF chevron(rect.left(), rect.center().y() - chevronSize / 2, chevronSize, chevronSize);
        painter.save();
        painter.translate(chevron.center());
        painter.rotate(90 * turn_.value());
        painter.translate(-chevron.center());
        SymbolPainter::paint(painter, chevron, "chevron.right", color, QFont::DemiBold);
        painter.restore();
        painter.setFont(font());
        painter.setPen(color);
        painter.drawText(rect.adjusted(chevronSize + symbolGap, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter,
                         text());
    }

private:
    AnimatedValue turn_;
};

} // namespace

PanelDisclosure::PanelDisclosure(ViewContext context, const QString& objectName, QWidget* parent)
    : QWidget(parent), button_(new DisclosureButton(context, this)), content_(new QWidget(this)),
      contentLayout_(new QVBoxLayout(content_)) {
    button_->setObjectName(objectName);
    contentLayout_->setContentsMargins(0, 3, 0, 0);
    contentLayout_->setSpacing(4);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(2);
    column->addWidget(button_);
    column->addWidget(content_);
    connect(button_, &QAbstractButton::clicked, this, [this] {
        const bool open = !isExpanded();
        if (binding_)
            binding_.set(open);
        else
            local_ = open;
        refresh();
    });
    refresh();
}

void PanelDisclosure::setTitle(const QString& title) {
    if (title == button_->text()) return;
    button_->setText(title);
    button_->updateGeometry();
}

void PanelDisclosure::setTitleColor(const QColor& color) {
    if (button_->palette().color(QPalette::WindowText) == color) return;
    QPalette palette = button_->palette();
    palette.setColor(QPalette::WindowText, color);
    button_->setPalette(palette);
}

void PanelDisclosure::setExpansion(BoolBinding binding) {
    binding_ = std::move(binding);
    refresh();
}

bool PanelDisclosure::isExpanded() const {
    return binding_ ? binding_.get() : local_;
}

void PanelDisclosure::refresh() {
    const bool open = isExpanded();
    button_->setChecked(open);
    if (content_->isHidden() == open) content_->setVisible(open);
}

} // namespace brisel

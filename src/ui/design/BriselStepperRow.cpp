#include "ui/design/BriselStepperRow.h"

#include "ui/design/AccessibleText.h"
#include "ui/design/BriselColors.h"
#include "ui/design/BriselControlPillSurface.h"
#include "ui/design/BriselTypography.h"
#include "ui/design/SymbolPainter.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QKeyEvent>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace brisel {

namespace {

constexpr double symbolSize = 10;
constexpr double pressedScale = 0.88;
constexpr double pressedBrightening = 0.03;
constexpr int titleGap = 10;
const Spring shadeFade{0.1, 1.0}; // a 0.12 s ease-out
const Spring pressSpring{0.18, 0.72};

QColor brightened(QColor color, double amount) {
    const auto up = [amount](float channel) { return std::min(1.0f, channel + float(amount)); };
    return QColor::fromRgbF(up(color.redF()), up(color.greenF()), up(color.blueF()), color.alphaF());
}

class StepperAccessible : public QAccessibleWidget {
public:
    explicit StepperAccessible(BriselStepperRow* row) : QAccessibleWidget(row, QAccessible::SpinBox) {}

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name) return row()->state().title;
        if (t == QAccessible::Value) return QString::number(row()->state().value);
        if (t == QAccessible::Description) return row()->state().helpText.value_or(QString());
        return QAccessibleWidget::text(t);
    }
    QStringList actionNames() const override { return {increaseAction(), decreaseAction()}; }
    QStringList keyBindingsForAction(const QString&) const override { return {}; }
    void doAction(const QString& name) override {
        if (name == increaseAction()) row()->press(+1);
        if (name == decreaseAction()) row()->press(-1);
    }

private:
    BriselStepperRow* row() const { return static_cast<BriselStepperRow*>(widget()); }
};

QAccessibleInterface* factory(const QString&, QObject* object) {
    if (auto* row = qobject_cast<BriselStepperRow*>(object)) return new StepperAccessible(row);
    return nullptr;
}

} // namespace

BriselStepperRow::BriselStepperRow(ViewContext context, QWidget* parent)
    : QWidget(parent), context_(context), pressScale_(
                                              1, [this](double) { update(); }, this),
      minusShade_(
          0, [this](double) { update(); }, this),
      plusShade_(
          0, [this](double) { update(); }, this) {
    static const bool installed = [] {
        QAccessible::installFactory(factory);
        return true;
    }();
    (void)installed;
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    QSizePolicy policy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
    context_.observe(this, [this] { update(); });
}

void BriselStepperRow::sync(StepperState state) {
    const bool valueChanged = state.value != state_.value;
    state_ = std::move(state);
    setToolTipIfChanged(this, state_.helpText.value_or(QString()));
    if (valueChanged) {
        QAccessibleValueChangeEvent event(this, QString::number(state_.value));
        QAccessible::updateAccessibility(&event);
    }
    updateGeometry();
    update();
}

std::optional<std::int64_t> BriselStepperRow::stepped(const StepperState& state, int direction) {
    std::int64_t next = 0;
    const bool overflow = direction > 0 ? __builtin_add_overflow(state.value, state.step, &next)
                                        : __builtin_sub_overflow(state.value, state.step, &next);
    if (overflow || next < state.lower || next > state.upper) return std::nullopt;
    return next;
}

std::optional<int> BriselStepperRow::hoveredAfter(std::optional<int> current, int side, bool entered) {
    if (entered) return side;
    return current == side ? std::nullopt : current;
}

void BriselStepperRow::press(int direction) {
    const std::optional<std::int64_t> next = stepped(state_, direction);
    if (next && *next != state_.value && onChange_) onChange_(*next);
}

QRectF BriselStepperRow::pillRect() const {
    return {double(width() - controlWidth), (height() - controlHeight) / 2.0, double(controlWidth),
            double(controlHeight)};
}

QRectF BriselStepperRow::halfRect(int direction) const {
    const QRectF pill = pillRect();
    const double half = controlWidth / 2.0;
    return {direction < 0 ? pill.left() : pill.left() + half, pill.top(), half, pill.height()};
}

std::optional<int> BriselStepperRow::sideAt(QPointF at) const {
    for (int side : {-1, +1})
        if (halfRect(side).contains(at)) return side;
    return std::nullopt;
}

void BriselStepperRow::setHovered(std::optional<int> side) {
    if (side == hoveredSide_) return;
    // The old half is left after the new one is entered, as the pointer crosses.
    if (side) hoveredSide_ = hoveredAfter(hoveredSide_, *side, true);
    for (int old : {-1, +1})
        if (old != side) hoveredSide_ = hoveredAfter(hoveredSide_, old, false);
    minusShade_.moveTo(hoveredSide_ == -1 ? 1 : 0, shadeFade, false);
    plusShade_.moveTo(hoveredSide_ == +1 ? 1 : 0, shadeFade, false);
    update();
}

void BriselStepperRow::setPressed(std::optional<int> side) {
    if (side == pressedSide_) return;
    pressedSide_ = side;
    if (side) scaledSide_ = side;
    const bool reduceMotion = context_.currentAppearance().reduceMotion;
    pressScale_.moveTo(side && !reduceMotion ? pressedScale : 1.0, pressSpring, reduceMotion);
    update();
}

QRectF BriselStepperRow::titleRect() const {
    return {0, 0, std::max(pillRect().left() - titleGap, 0.0), double(height())};
}

std::vector<PaintedTextRun> BriselStepperRow::paintedText() const {
    const QRectF room = titleRect();
    const QRect needed =
        QFontMetrics(BriselTypography::controlLabel())
            .boundingRect(room.toAlignedRect(), Qt::AlignVCenter | Qt::TextWordWrap, state_.title);
    return {{state_.title, state_.title, needed}};
}

QSize BriselStepperRow::sizeHint() const {
    const QFontMetrics metrics(BriselTypography::controlLabel());
    return {metrics.horizontalAdvance(state_.title) + titleGap + controlWidth + 4,
            std::max(controlHeight, metrics.height()) + 2};
}

QSize BriselStepperRow::minimumSizeHint() const {
    return {controlWidth + titleGap + 40, sizeHint().height()};
}

int BriselStepperRow::heightForWidth(int width) const {
    const QSizeF title = BriselTypography::wrappedSize(BriselTypography::controlLabel(), state_.title,
                                                       width - controlWidth - titleGap);
    return std::max(controlHeight, int(std::ceil(title.height()))) + 2;
}

void BriselStepperRow::mousePressEvent(QMouseEvent* event) {
    std::optional<int> side = event->button() == Qt::LeftButton ? sideAt(event->position()) : std::nullopt;
    if (side && !canStep(*side)) side.reset();
    setPressed(side);
}

void BriselStepperRow::mouseReleaseEvent(QMouseEvent* event) {
    const std::optional<int> pressed = pressedSide_;
    setPressed(std::nullopt);
    if (pressed && sideAt(event->position()) == pressed) press(*pressed);
}

void BriselStepperRow::mouseMoveEvent(QMouseEvent* event) {
    setHovered(sideAt(event->position()));
}

void BriselStepperRow::leaveEvent(QEvent* event) {
    QWidget::leaveEvent(event);
    setHovered(std::nullopt);
}

void BriselStepperRow::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Up:
    case Qt::Key_Right:
        press(+1);
        break;
    case Qt::Key_Down:
    case Qt::Key_Left:
        press(-1);
        break;
    default:
        QWidget::keyPressEvent(event);
        return;
    }
    event->accept();
}

void BriselStepperRow::paintEvent(QPaintEvent*) {
    const Appearance appearance = context_.currentAppearance();
    const bool dark = appearance.dark;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF pill = pillRect();

    painter.setFont(BriselTypography::controlLabel());
    painter.setPen(BriselColors::primary(palette()));
    painter.drawText(titleRect(), Qt::AlignVCenter | Qt::AlignLeft | Qt::TextWordWrap, state_.title);

    BriselControlPillSurface::paint(painter, pill, appearance, palette(), {hoveredSide_.has_value(), false},
                                    7);
    QPainterPath clip;
    clip.addRoundedRect(pill, pill.height() / 2, pill.height() / 2);
    painter.save();
    painter.setClipPath(clip);
    for (int side : {-1, +1}) {
        const QRectF half = halfRect(side);
        const bool can = canStep(side);
        const double shade = (side < 0 ? minusShade_ : plusShade_).value();
        if (can && shade > 0)
            painter.fillRect(half, BriselColors::primary(palette(), (dark ? 0.08 : 0.05) * shade));
        const double size = symbolSize * halfScale(side);
        const QRectF square(half.center().x() - size / 2, half.center().y() - size / 2, size, size);
        QColor symbol = can ? BriselColors::primary(palette()) : BriselColors::tertiary(palette());
        if (pressedSide_ == side) symbol = brightened(symbol, pressedBrightening);
        SymbolPainter::paint(painter, square, side < 0 ? "minus" : "plus", symbol, QFont::DemiBold);
    }
    painter.restore();
    painter.fillRect(QRectF(pill.center().x() - 0.375, pill.center().y() - 6, 0.75, 12),
                     BriselColors::primary(palette(), dark ? 0.16 : 0.1));
    if (hasFocus()) {
        QPainterPath ring;
        ring.addRoundedRect(pill.adjusted(-1, -1, 1, 1), 8, 8);
        BriselColors::paintFocusRing(painter, ring, palette());
    }
}

} // namespace brisel

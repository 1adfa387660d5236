#include "ui/design/SemanticSlider.h"

#include "ui/design/BriselColors.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QKeyEvent>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

namespace brisel {

namespace {

// The slider role with its value and the increase and decrease actions.
class SemanticSliderAccessible : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    explicit SemanticSliderAccessible(SemanticSlider* slider)
        : QAccessibleWidget(slider, QAccessible::Slider) {}

    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::ValueInterface) return static_cast<QAccessibleValueInterface*>(this);
        return QAccessibleWidget::interface_cast(type);
    }

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Value) return slider()->valueDescription(slider()->value());
        return QAccessibleWidget::text(t);
    }

    QVariant currentValue() const override { return slider()->value(); }
    QVariant maximumValue() const override { return slider()->maximum(); }
    QVariant minimumValue() const override { return slider()->minimum(); }
    QVariant minimumStepSize() const override { return 1.0; }
    void setCurrentValue(const QVariant& value) override {
        switch (value.typeId()) {
        case QMetaType::Double:
        case QMetaType::Float:
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::LongLong:
        case QMetaType::ULongLong:
            slider()->commit(value.toDouble());
            break;
        default: // not a number
            break;
        }
    }

    QStringList actionNames() const override { return {increaseAction(), decreaseAction()}; }
    QStringList keyBindingsForAction(const QString&) const override { return {}; }
    void doAction(const QString& name) override {
        SemanticSlider* s = slider();
        if (!s->isEnabled()) return;
        if (name == increaseAction()) s->commit(s->nextValue(s->value(), +1));
        if (name == decreaseAction()) s->commit(s->nextValue(s->value(), -1));
    }

private:
    SemanticSlider* slider() const { return static_cast<SemanticSlider*>(widget()); }
};

QAccessibleInterface* factory(const QString&, QObject* object) {
    if (auto* slider = qobject_cast<SemanticSlider*>(object)) return new SemanticSliderAccessible(slider);
    return nullptr;
}

} // namespace

SemanticSlider::SemanticSlider(QWidget* parent) : QWidget(parent) {
    static const bool installed = [] {
        QAccessible::installFactory(factory);
        return true;
    }();
    (void)installed;
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::TabFocus);
}

void SemanticSlider::setRange(double minimum, double maximum) {
    minimum_ = minimum;
    maximum_ = std::max(minimum, maximum);
}

void SemanticSlider::setValue(double value) {
    if (value == value_) return;
    value_ = value;
    update();
}

bool SemanticSlider::commit(double candidate) {
    if (!isEnabled() || !std::isfinite(candidate)) return false;
    const double clamped = std::min(std::max(candidate, minimum_), maximum_);
    if (clamped == value_) return false;
    value_ = clamped;
    onCommit(clamped);
    QAccessibleValueChangeEvent event(this, clamped);
    QAccessible::updateAccessibility(&event);
    update();
    return true;
}

QString SemanticSlider::defaultDescription(double value) {
    // Beyond the 64-bit range the figure saturates instead of overflowing the conversion.
    const double rounded = std::round(value);
    std::int64_t whole = 0;
    if (std::isnan(rounded))
        whole = 0;
    else if (rounded >= 0x1p63)
        whole = std::numeric_limits<std::int64_t>::max();
    else if (rounded < -0x1p63)
        whole = std::numeric_limits<std::int64_t>::min();
    else
        whole = std::int64_t(rounded);
    return QString::number(whole) + "%";
}

void SemanticSlider::paintEvent(QPaintEvent*) {
    if (!hasFocus()) return;
    QPainter painter(this);
    QPainterPath ring;
    ring.addRoundedRect(QRectF(rect()).adjusted(1, 1, -1, -1), 6, 6);
    BriselColors::paintFocusRing(painter, ring, palette());
}

void SemanticSlider::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Left:
    case Qt::Key_Down:
        commit(nextValue(value_, -1));
        break;
    case Qt::Key_Right:
    case Qt::Key_Up:
        commit(nextValue(value_, +1));
        break;
    case Qt::Key_Home:
        commit(minimum_);
        break;
    case Qt::Key_End:
        commit(maximum_);
        break;
    default:
        QWidget::keyPressEvent(event);
        return;
    }
    event->accept();
}

void SemanticSlider::focusInEvent(QFocusEvent* event) {
    QWidget::focusInEvent(event);
    onFocusChange(true);
    update();
}

void SemanticSlider::focusOutEvent(QFocusEvent* event) {
    QWidget::focusOutEvent(event);
    onFocusChange(false);
    update();
}

} // namespace brisel

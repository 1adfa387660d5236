#include "ui/design/AnimatedValue.h"

#include <QVariantAnimation>
#include <QWidget>

#include <atomic>

namespace brisel {

namespace {
std::atomic<bool> instant{false};
}

AnimatedValue::AnimatedValue(double initial, std::function<void(double)> apply, QObject* parent)
    : QObject(parent), value_(initial), target_(initial), apply_(std::move(apply)),
      animation_(new QVariantAnimation(this)) {
    connect(animation_, &QVariantAnimation::valueChanged, this, [this](const QVariant& v) { set(v.toDouble()); });
}

void AnimatedValue::moveTo(double target, Spring spring, bool reduceMotion) {
    if (target == target_ && (animation_->state() == QAbstractAnimation::Running || value_ == target)) return;
    target_ = target;
    animation_->stop();
    // A change nobody sees stands in place when its control appears.
    const auto* owner = qobject_cast<const QWidget*>(parent());
    if (reduceMotion || instantMotion() || spring.durationMs() <= 0 || (owner && !owner->isVisible())) {
        set(target);
        return;
    }
    animation_->setStartValue(value_);
    animation_->setEndValue(target);
    animation_->setDuration(spring.durationMs());
    animation_->setEasingCurve(spring.easing());
    animation_->start();
}

void AnimatedValue::reset(double value) {
    animation_->stop();
    value_ = target_ = value;
}

void AnimatedValue::setInstantMotion(bool on) {
    instant = on;
}

bool AnimatedValue::instantMotion() {
    return instant;
}

void AnimatedValue::set(double value) {
    if (value == value_) return;
    value_ = value;
    if (apply_) apply_(value);
}

} // namespace brisel

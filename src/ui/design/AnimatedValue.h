#pragma once

#include "ui/design/Spring.h"

#include <QObject>

#include <functional>

class QVariantAnimation;

namespace brisel {

// One animated number of a control (a knob position, a pressed scale). Moves toward its target on a
// spring, or jumps there synchronously with reduce motion, while motion is switched to instant, or
// while the widget it belongs to (its parent) is not visible.
class AnimatedValue : public QObject {
    Q_OBJECT

public:
    AnimatedValue(double initial, std::function<void(double)> apply, QObject* parent = nullptr);

    double value() const { return value_; }
    double target() const { return target_; }
    void moveTo(double target, Spring spring, bool reduceMotion);
    // Sets the value at once, stopping any animation, without calling `apply`.
    void reset(double value);

    // Process-wide: every animation ends at once (tests never wait for one).
    static void setInstantMotion(bool on);
    static bool instantMotion();

private:
    void set(double value);

    double value_;
    double target_;
    std::function<void(double)> apply_;
    QVariantAnimation* animation_;
};

} // namespace brisel

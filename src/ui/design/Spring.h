#pragma once

#include <QEasingCurve>

namespace brisel {

// A spring of the design (response in seconds, damping fraction), played as an eased animation:
// 1.2 × response long, a plain ease-out when well damped and a slight overshoot below 0.8.
struct Spring {
    double response = 0.24;
    double damping = 0.8;

    int durationMs() const { return int(response * 1200.0 + 0.5); }
    QEasingCurve easing() const {
        if (damping >= 0.8) return QEasingCurve(QEasingCurve::OutCubic);
        QEasingCurve curve(QEasingCurve::OutBack);
        curve.setOvershoot(0.6);
        return curve;
    }

    bool operator==(const Spring&) const = default;
};

} // namespace brisel

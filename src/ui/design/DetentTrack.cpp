#include "ui/design/DetentTrack.h"

#include <algorithm>
#include <climits>
#include <cmath>

namespace brisel {

int roundToInt(double value) {
    const double rounded = std::round(value);
    if (std::isnan(rounded)) return 0;
    if (rounded >= double(INT_MAX)) return INT_MAX;
    if (rounded <= double(INT_MIN)) return INT_MIN;
    return int(rounded);
}

double DetentTrack::trackWidth() const {
    return std::max(width - 2 * inset, 1.0);
}

double DetentTrack::stepX() const {
    return count() >= 2 ? trackWidth() / (count() - 1) : 0;
}

int DetentTrack::nearestIndex(double x) const {
    if (stepX() <= 0) return 0;
    return std::clamp(roundToInt((x - inset) / stepX()), 0, count() - 1);
}

std::optional<int> DetentTrack::indexOfValue(int value) const {
    for (int i = 0; i < count(); ++i)
        if (options[size_t(i)].value == value) return i;
    return std::nullopt;
}

double DetentTrack::thumbX(int value) const {
    if (count() < 2 || stepX() <= 0 || isOff(value)) return inset;
    const int start = offTreatment() ? 1 : 0;
    const auto at = [&](int i) { return options[size_t(i)].value; };
    double position = 0;
    if (value <= at(start)) {
        position = start;
    } else if (value >= at(count() - 1)) {
        position = count() - 1;
    } else {
        // Between the start and the last value some segment holds v, whatever the order; the
        // loop never reads past the list.
        position = start;
        for (int i = start; i + 1 < count(); ++i) {
            if (at(i) <= value && value <= at(i + 1)) {
                position = i + double(value - at(i)) / std::max(at(i + 1) - at(i), 1);
                break;
            }
        }
    }
    return stepX() * position + inset;
}

DetentTrack::Resolved DetentTrack::resolve(QPointF at, bool directClick, int selection) const {
    if (count() < 2 || stepX() <= 0) return {inset, options.empty() ? selection : options.front().value};
    const double step = stepX();
    const double x = std::clamp(at.x(), inset, inset + step * (count() - 1));
    const int index = nearestIndex(x);
    const double detent = detentX(index);
    const int detentValue = options[size_t(index)].value;
    if (at.y() > 19) return {detent, detentValue};
    const double delta = x - detent;
    if (directClick && std::abs(delta) <= 7.5) return {detent, detentValue};
    if (std::abs(delta) <= 3.5) return {detent + 0.22 * delta, detentValue};
    int lower = 0;
    if (offTreatment()) {
        if (x < inset + 0.45 * step) return {x, options[0].value};
        if (x <= inset + step) return {x, options[1].value};
        lower = 1;
    }
    const double p = (std::max(x, inset + step * lower) - inset) / step;
    const int segment = std::max(lower, std::min(int(std::floor(p)), count() - 2));
    const double t = std::clamp(p - segment, 0.0, 1.0);
    const double a = options[size_t(segment)].value;
    const double b = options[size_t(segment) + 1].value;
    return {x, roundToInt(a + t * (b - a))};
}

std::vector<DetentTrack::Dot> DetentTrack::minorDots() const {
    std::vector<Dot> dots;
    for (int s = offTreatment() ? 1 : 0; s + 1 < count(); ++s) {
        const int a = options[size_t(s)].value;
        const int gap = options[size_t(s) + 1].value - a;
        if (gap < 2 || gap > 10) continue;
        for (int j = 1; j < gap; ++j)
            dots.push_back({inset + stepX() * (s + double(j) / gap), a + j});
    }
    return dots;
}

double DetentTrack::nextValue(double value, int direction) const {
    if (offTreatment()) {
        if (direction > 0 && value <= options[0].value) return options[1].value;
        if (direction < 0 && value <= options[1].value) return options[0].value;
    }
    return value + direction;
}

int DetentTrack::committedValue(double value) const {
    const int rounded = roundToInt(value);
    if (offTreatment() && rounded > options[0].value && rounded < options[1].value) return options[1].value;
    return rounded;
}

} // namespace brisel

#pragma once

#include "ui/design/DropdownOption.h"

#include <QPointF>

#include <optional>
#include <vector>

namespace brisel {

// The geometry and the rules of a detent slider, apart from any drawing: where each detent sits for
// a width, where the thumb goes for a value, which value a pointer stands for, the whole values
// drawn as dots between detents, and the keyboard's steps. Options are expected in ascending order.
struct DetentTrack {
    static constexpr double inset = 18;
    static constexpr double height = 36;
    static constexpr double trackRowHeight = 18;
    static constexpr double labelRowTop = 22;

    std::vector<DropdownOption<int>> options;
    bool treatsFirstOptionAsOff = false;
    double width = 0;

    struct Resolved {
        double visualX;
        int value;
        bool operator==(const Resolved&) const = default;
    };
    struct Dot {
        double x;
        int value;
    };

    int count() const { return int(options.size()); }
    // Off handling needs an off option and a first real one; shorter lists step plainly.
    bool offTreatment() const { return treatsFirstOptionAsOff && options.size() >= 2; }
    bool isOff(int displayedValue) const { return offTreatment() && displayedValue < 1; }
    double trackWidth() const;
    double stepX() const;
    double detentX(int index) const { return inset + stepX() * index; }
    // The detent index nearest to x, within the list.
    int nearestIndex(double x) const;
    // The thumb's x for `value` when no drag places it.
    double thumbX(int value) const;
    // The thumb and value a pointer at `at` stands for; `selection` when there are no options.
    Resolved resolve(QPointF at, bool directClick, int selection) const;
    std::vector<Dot> minorDots() const;
    std::optional<int> indexOfValue(int value) const;

    // Keyboard and assistive-technology steps, and what a committed value becomes.
    double nextValue(double value, int direction) const;
    int committedValue(double value) const;
    double minimum() const { return options.empty() ? 0 : options.front().value; }
    double maximum() const { return options.empty() ? 100 : options.back().value; }
};

// Rounds half away from zero, saturating at the int range.
int roundToInt(double value);

} // namespace brisel

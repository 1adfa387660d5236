#pragma once

#include "services/config/BriselTheme.h"

namespace brisel {

// Radii and insets of the themed surfaces, in logical pixels.
class BriselGeometry {
public:
    static constexpr double glassCardRadius = 14;
    static constexpr double cardContentInset = 8.5;
    static constexpr double glassWellRadius = 5.5;
    static constexpr double segmentedInset = 2.5;
    static constexpr double glassSegmentRadius = 3;
    static constexpr double tabBarRadius = 10.5;
    static constexpr double tabBarInset = 3.5;
    static constexpr double tabSelectionRadius = 7;

    // Inner surfaces keep the classic radius in the classic theme and the well radius on glass.
    static constexpr double contentRadius(BriselTheme theme, double classicRadius) {
        return theme == BriselTheme::classic ? classicRadius : glassWellRadius;
    }
};

} // namespace brisel

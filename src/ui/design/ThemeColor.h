#pragma once

#include <QColor>

class QPalette;

namespace brisel {

// A colour of the design named by what it is made from (the text colour, the control background,
// a fixed colour) and an opacity that multiplies its alpha; drawn against a palette.
struct ThemeColor {
    enum class Base { primary, controlBackground, window, fixed };

    Base base = Base::fixed;
    QColor fixed;
    double opacity = 1.0;

    static ThemeColor primary(double opacity) { return {Base::primary, {}, opacity}; }
    static ThemeColor controlBackground(double opacity) { return {Base::controlBackground, {}, opacity}; }
    static ThemeColor window(double opacity) { return {Base::window, {}, opacity}; }
    static ThemeColor white(double opacity) { return {Base::fixed, Qt::white, opacity}; }
    static ThemeColor black(double opacity) { return {Base::fixed, Qt::black, opacity}; }

    QColor resolve(const QPalette& palette) const;

    bool operator==(const ThemeColor&) const = default;
};

// `color` with its alpha multiplied by `opacity`.
QColor withOpacity(QColor color, double opacity);

} // namespace brisel

#pragma once

#include <QColor>

namespace brisel {

// The four opaque status colours, each in a dark-scheme and a light-scheme shade.
class BriselSemanticColor {
public:
    static QColor emerald(bool dark) { return dark ? rgb(0.2, 0.84, 0.38) : rgb(0.12, 0.68, 0.28); }
    static QColor electricBlue(bool dark) { return dark ? rgb(0.68, 0.78, 0.88) : rgb(0.0, 0.48, 1.0); }
    static QColor amber(bool dark) { return dark ? rgb(1.0, 0.66, 0.16) : rgb(0.88, 0.48, 0.0); }
    static QColor crimson(bool dark) { return dark ? rgb(1.0, 0.34, 0.3) : rgb(0.85, 0.18, 0.15); }

private:
    static QColor rgb(double r, double g, double b) { return QColor::fromRgbF(float(r), float(g), float(b)); }
};

} // namespace brisel

#pragma once

#include "app/MenuBarBatteryIcon.h"

#include <QColor>
#include <QFont>
#include <QImage>
#include <QString>

namespace brisel {

class AppModel;
class Localizer;

// What the tray shows: the battery glyph, followed by the charge percentage unless the icon stands
// alone, and the description read out for it (also the tooltip).
struct MenuBarLabel {
    MenuBarBatteryIcon::State state;
    QString text;        // empty with "icon only"
    QString description; // the percentage, plus "charging" while the bolt is drawn
    QRgb tint = 0;       // the glyph and the text are drawn in this colour

    bool operator==(const MenuBarLabel&) const = default;

    static MenuBarLabel of(const AppModel& model, const Localizer& localizer, QColor tint);

    // The label as an image of `scale` pixels per point: the tinted glyph, then 4 points of space
    // and the text, every digit as wide as "0" so the width does not jump as the charge changes.
    QImage render(const QFont& font, int scale) const;
};

} // namespace brisel

#pragma once

#include "app/MenuBarBatteryIcon.h"

#include <QColor>
#include <QIcon>
#include <QImage>
#include <QString>

namespace brisel {

class AppModel;
class Localizer;

// What the tray shows and the description read out for it (also the tooltip).
//
// Trays give an icon a square the height of the panel (often 22 pixels), and the panel may be
// light or dark whatever the desktop's colour scheme: the percentage beside the glyph would shrink
// to a few pixels there, and a glyph in the text colour alone could vanish. So the icon is the
// glyph alone, in the tint, with a halo of the opposite colour around it that also fills its body,
// and the charge shows as a level inside the body where the percentage would be shown; the
// description carries the percentage in full.
struct MenuBarLabel {
    MenuBarBatteryIcon::State state;
    QString text;        // the percentage; empty with "icon only", which also leaves the level out
    QString description; // the percentage, plus "charging" while the bolt is drawn
    QRgb tint = 0;       // the glyph and its level are drawn in this colour

    bool operator==(const MenuBarLabel&) const = default;

    static MenuBarLabel of(const AppModel& model, const Localizer& localizer, QColor tint);

    // The sizes the icon offers to trays that pick one from a list.
    static constexpr int kSizes[] = {16, 22, 24, 32, 48, 64};

    // The icon, `pixels` wide and high.
    QImage render(int pixels) const;
    // The icon, drawn anew for each size asked of it (squared to the smaller side, centred).
    QIcon icon() const;
};

} // namespace brisel

#pragma once

#include <QStringList>

class QWidget;

namespace brisel::test {

// What a user would see cut off in `root` as laid out now; empty when everything is whole.
// A widget is cut when part of it lies outside an ancestor (a scroll area's viewport counts as
// wide and tall as its scroll bars reach), or when it was given less room than it needs (less
// than its minimum, or a wrapped text less height than its lines take), and when text it paints
// itself (PaintedText) is shortened, reaches past it or
// overlaps other text it paints. One line per widget.
QStringList clippedContent(const QWidget& root);

} // namespace brisel::test

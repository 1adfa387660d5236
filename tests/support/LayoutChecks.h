#pragma once

#include <QStringList>

class QWidget;

namespace brisel::test {

// What a user would see cut off in `root` as laid out now; empty when everything is whole. Looks at
// every widget `root` shows: one reaching past its parent (a scroll area's content excepted), a
// label whose text needs more room than it has, and text a widget paints itself (PaintedText) that
// is shortened or reaches past the widget.
QStringList clippedContent(const QWidget& root);

} // namespace brisel::test

#pragma once

#include <QRectF>
#include <QString>

#include <vector>

namespace brisel {

// One text a widget paints itself: what it was asked to show, what it draws, and the rectangle the
// drawn text takes, in the widget's coordinates.
struct PaintedTextRun {
    QString text;
    QString shown;
    QRectF rect;
};

// Implemented by widgets that paint text which must always be seen whole, so that checks of a laid
// out view can find such text cut short or cut off as they do for labels. Text that the widget may
// shorten on purpose is not listed.
class PaintedText {
public:
    virtual std::vector<PaintedTextRun> paintedText() const = 0;

protected:
    ~PaintedText() = default;
};

} // namespace brisel

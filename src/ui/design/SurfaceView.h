#pragma once

#include "ui/design/ViewContext.h"

#include <QWidget>

#include <functional>

namespace brisel {

// A thin widget for one of the surface painters (well, lens, pill): it paints `painter` over its
// rectangle less the contents margins (leave room there for a shadow) and repaints when the
// appearance changes. It holds no data and acts on nothing.
class SurfaceView : public QWidget {
    Q_OBJECT

public:
    using Painter = std::function<void(QPainter&, const QRectF&, const Appearance&, const QPalette&)>;

    SurfaceView(ViewContext context, Painter painter, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    ViewContext context_;
    Painter painter_;
};

} // namespace brisel

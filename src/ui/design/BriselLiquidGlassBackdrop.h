#pragma once

#include "ui/design/ViewContext.h"

#include <QWidget>

namespace brisel {

// The translucent window backdrop of the liquid-glass theme. Without a compositor's blur it is an
// opaque base of the window colour under the theme's faint gradient, so text stays legible. Put a
// host's content inside it as children; it only paints.
class BriselLiquidGlassBackdrop : public QWidget {
    Q_OBJECT

public:
    explicit BriselLiquidGlassBackdrop(ViewContext context, QWidget* parent = nullptr);

    static void paint(QPainter& painter, const QRectF& rect, bool dark, const QPalette& palette);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    ViewContext context_;
};

} // namespace brisel

#pragma once

#include "ui/design/ViewContext.h"

#include <QWidget>

namespace brisel {

// What every window stands on: the liquid-glass backdrop under glass rendering, else the plain
// window colour. Put a host's content inside it as children; it only paints.
class BriselPanelBackdrop : public QWidget {
    Q_OBJECT

public:
    explicit BriselPanelBackdrop(ViewContext context, QWidget* parent = nullptr);

    static void paint(QPainter& painter, const QRectF& rect, const Appearance& appearance, const QPalette& palette);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    ViewContext context_;
};

} // namespace brisel

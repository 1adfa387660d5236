#pragma once

#include "ui/design/BriselScaleButton.h"

#include <QColor>
#include <optional>

namespace brisel {

// A compact scale button whose label is one symbol (dismiss, stepper minus and plus).
class BriselSymbolButton : public BriselScaleButton {
    Q_OBJECT

public:
    BriselSymbolButton(ViewContext context, QString symbol, double size, int weight, QWidget* parent = nullptr);

    // The symbol's colour; the palette's secondary colour when none is set.
    void setSymbolColor(std::optional<QColor> color);
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintLabel(QPainter& painter, const QRectF& rect) override;

private:
    QString symbol_;
    double size_;
    int weight_;
    std::optional<QColor> color_;
};

} // namespace brisel

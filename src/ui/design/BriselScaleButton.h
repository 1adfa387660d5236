#pragma once

#include "ui/design/AnimatedValue.h"
#include "ui/design/ViewContext.h"

#include <QAbstractButton>

namespace brisel {

// Base of the compact buttons: while pressed, the painted label shrinks about its centre to
// `pressedScale` (not with reduce motion) and brightens slightly; the pressed change springs.
// Subclasses paint the label; the base adds the focus ring. Space and Return press it like a click.
class BriselScaleButton : public QAbstractButton {
    Q_OBJECT

public:
    explicit BriselScaleButton(ViewContext context, QWidget* parent = nullptr, double pressedScale = 0.96);

    // The focus ring runs 2 wide along the inside of the edge (a child cannot draw outside itself):
    // a label that comes closer to the edge than this is crossed by it.
    static constexpr double focusRingRoom = 3;

    double pressedScale() const { return pressedScale_; }
    // The label's scale as drawn now.
    double currentScale() const { return scale_.value(); }
    const ViewContext& context() const { return context_; }
    // Return and Enter press `button` like a click; says whether the key was one of them.
    static bool clickOnReturn(QAbstractButton& button, QKeyEvent* event);

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    // Paints the label into `rect` (the whole button); the default draws text() centred.
    virtual void paintLabel(QPainter& painter, const QRectF& rect);
    virtual QPainterPath focusShape() const;

private:
    void pressChanged();

    ViewContext context_;
    double pressedScale_;
    AnimatedValue scale_;
};

} // namespace brisel

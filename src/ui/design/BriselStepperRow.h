#pragma once

#include "ui/design/AnimatedValue.h"
#include "ui/design/PaintedText.h"
#include "ui/design/ViewContext.h"

#include <QWidget>

#include <cstdint>
#include <functional>
#include <optional>

namespace brisel {

// What the owner shows on a stepper row; the title carries the figure when it should be seen.
struct StepperState {
    QString title;
    std::int64_t value = 0;
    std::int64_t lower = 0;
    std::int64_t upper = 0;
    std::int64_t step = 1;
    std::optional<QString> helpText;
};

// A settings row for a whole number: the title (wrapping, never cut) and a 62×22 pill split into a
// minus and a plus half. A half steps only when the result stays within the bounds (it never clamps
// onto a bound); one that cannot is dimmed and disabled. A pressed half brightens and, unless motion
// is reduced, shrinks. The row owns no value: a step goes to onChange and the
// owner syncs the row. For assistive technology it is one spin box with increase and decrease;
// with focus, Up/Right step up and Down/Left step down.
class BriselStepperRow : public QWidget, public PaintedText {
    Q_OBJECT

public:
    static constexpr int controlWidth = 62;
    static constexpr int controlHeight = 22;

    explicit BriselStepperRow(ViewContext context, QWidget* parent = nullptr);

    void sync(StepperState state);
    const StepperState& state() const { return state_; }
    void setOnChange(std::function<void(std::int64_t)> onChange) { onChange_ = std::move(onChange); }

    // The value one step away in `direction` (+1 or -1), when it stays within the bounds.
    static std::optional<std::int64_t> stepped(const StepperState& state, int direction);
    // The half under the pointer after `side` was entered or left: leaving clears only the half
    // still named, so moving straight across ends on the new half.
    static std::optional<int> hoveredAfter(std::optional<int> current, int side, bool entered);

    bool canStep(int direction) const { return stepped(state_, direction).has_value(); }
    // Steps as a press of that half does.
    void press(int direction);
    std::optional<int> hoveredSide() const { return hoveredSide_; }
    QRectF halfRect(int direction) const;
    // The scale a half's symbol is drawn at now.
    double halfScale(int direction) const { return scaledSide_ == direction ? pressScale_.value() : 1.0; }
    std::vector<PaintedTextRun> paintedText() const override;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void setHovered(std::optional<int> side);
    void setPressed(std::optional<int> side);
    QRectF titleRect() const;
    std::optional<int> sideAt(QPointF at) const;
    QRectF pillRect() const;

    ViewContext context_;
    StepperState state_;
    std::function<void(std::int64_t)> onChange_;
    std::optional<int> hoveredSide_;
    std::optional<int> pressedSide_;
    std::optional<int> scaledSide_; // the half the press scale applies to, also while it springs back
    AnimatedValue pressScale_;
    AnimatedValue minusShade_;
    AnimatedValue plusShade_;
};

} // namespace brisel

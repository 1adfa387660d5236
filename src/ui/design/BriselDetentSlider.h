#pragma once

#include "ui/design/AnimatedValue.h"
#include "ui/design/DetentTrack.h"
#include "ui/design/PaintedText.h"
#include "ui/design/ViewContext.h"

#include <QColor>
#include <QWidget>

#include <functional>
#include <optional>

namespace brisel {

class BriselHelpBubble;
class SemanticSlider;

// What the owner shows on a detent slider.
struct DetentSliderState {
    std::vector<DropdownOption<int>> options; // ascending
    int selection = 0;
    std::optional<QColor> accent; // electric blue of the scheme when none
    bool treatsFirstOptionAsOff = false;
    std::function<QString(int)> valueFormatter; // the option's label, else "83%", when empty
    std::optional<QString> helpText;
    QString accessibilityLabel;
};

// A horizontal slider over a short list of whole-number detents, 36 high: a track with a marker per
// detent, a label under each, and a thumb. The pointer drags or clicks anywhere; values between
// detents a few apart can be picked too (drawn as dots). A drag previews the value under the
// pointer and the release hands the final value to onSelect when it differs from the selection;
// the slider shows a new value only once the owner syncs it. Keyboard and assistive technology use
// the embedded SemanticSlider ("detent-slider"), which steps one whole value at a time. A drag that
// ends without a release (the slider or its window hidden, the window no longer active, the button
// let go where the slider did not see it) commits nothing.
class BriselDetentSlider : public QWidget, public PaintedText {
    Q_OBJECT

public:
    explicit BriselDetentSlider(ViewContext context, QWidget* parent = nullptr);

    // A sync during a drag changes the selection and keeps the drag as it is.
    void sync(DetentSliderState state);
    const DetentSliderState& state() const { return state_; }
    void setOnSelect(std::function<void(int)> onSelect) { onSelect_ = std::move(onSelect); }
    void setOnPreviewChange(std::function<void(std::optional<int>)> onPreview) {
        onPreview_ = std::move(onPreview);
    }

    SemanticSlider* input() const { return input_; }
    DetentTrack track() const;
    int displayedValue() const { return preview_.value_or(state_.selection); }
    std::optional<int> previewValue() const { return preview_; }
    bool isDragging() const { return dragging_; }
    std::optional<int> hoveredIndex() const { return hoveredIndex_; }
    double drawnThumbX() const;
    bool thumbEmphasised() const;
    QString formatValue(int value) const;
    // Where each detent's label is drawn: centred under its detent, an end label moved inward as far
    // as it must to be seen whole.
    QRectF labelRect(int index) const;
    std::vector<PaintedTextRun> paintedText() const override;

    QSize sizeHint() const override { return {236, int(DetentTrack::height)}; }
    QSize minimumSizeHint() const override { return {60, int(DetentTrack::height)}; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    bool event(QEvent* event) override;

private:
    void dragChanged(QPointF at);
    void dragEnded(QPointF at);
    // Ends a drag that got no release: nothing is committed and the selection shows again.
    void cancelDrag();
    void hoverAt(QPointF at);
    void syncInput();
    void paintTrack(QPainter& painter, const DetentTrack& track, double thumbX, bool off) const;
    void paintThumb(QPainter& painter, double thumbX, bool off) const;
    void paintLabels(QPainter& painter, const DetentTrack& track, bool off) const;
    QFont labelFont(int index) const;
    QColor accent() const;

    ViewContext context_;
    DetentSliderState state_;
    std::function<void(int)> onSelect_;
    std::function<void(std::optional<int>)> onPreview_;
    SemanticSlider* input_;
    BriselHelpBubble* bubble_;
    bool keyboardFocused_ = false;
    bool dragging_ = false;
    std::optional<int> hoveredIndex_;
    std::optional<int> preview_;
    std::optional<double> dragVisualX_;
    std::optional<QPointF> dragStart_;
    // The thumb's way back after a release: from releaseFromX_ to its resting place.
    std::optional<double> releaseFromX_;
    AnimatedValue thumbReturn_;
};

} // namespace brisel

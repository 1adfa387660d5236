#pragma once

#include "ui/design/AnimatedValue.h"
#include "ui/design/ViewContext.h"

#include <QAbstractButton>

#include <functional>

namespace brisel {

// The design's on/off switch: a label on the left, the themed capsule switch on the right, and the
// whole rectangle as the hit area. It never flips itself: a click or Space calls onToggle with the
// inverted shown value, and the switch moves only when the owner syncs the new value with setOn
// (so a refused change springs back). With an empty label it is the switch alone.
class BriselSwitchToggle : public QAbstractButton {
    Q_OBJECT

public:
    struct Metrics {
        QSizeF track;
        QSizeF knob;
        double knobRim;
    };
    static Metrics metrics(bool glass);

    explicit BriselSwitchToggle(ViewContext context, QString title = {}, QWidget* parent = nullptr);

    void setTitle(const QString& title);
    const QString& title() const { return title_; }
    // The owner's value; slides the knob when it changed.
    void setOn(bool on);
    bool isOn() const { return isChecked(); }
    void setOnToggle(std::function<void(bool)> onToggle) { onToggle_ = std::move(onToggle); }

    QRectF trackRect() const;
    QRectF knobRect() const;
    bool isHovered() const { return hovered_; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    bool hasHeightForWidth() const override { return !title_.isEmpty(); }
    int heightForWidth(int width) const override;

protected:
    void nextCheckState() override {}
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

    const ViewContext& context() const { return context_; }
    // Width in front of the title (a row's symbol and its gap) and what is painted there.
    virtual double leadingWidth() const { return 0; }
    virtual void paintLeading(QPainter&, const QRectF& /*rowRect*/) {}
    virtual int minimumRowHeight() const { return 0; }

private:
    QRectF titleRect(double width, double height) const;
    void paintSwitch(QPainter& painter, const QRectF& track) const;

    ViewContext context_;
    QString title_;
    bool hovered_ = false;
    std::function<void(bool)> onToggle_;
    // 0 at the off end, 1 at the on end.
    AnimatedValue knob_;
};

} // namespace brisel

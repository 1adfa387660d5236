#pragma once

#include "ui/design/ViewContext.h"

#include <QPointer>
#include <QWidget>

namespace brisel {

// The small help text that floats 28 above a control while it has keyboard focus. A child is
// clipped to its parent, so the bubble lives in the control's window, raised over everything; it
// takes no clicks and is hidden from assistive technology (the control says the same as its help).
// It follows the control when the control or any of its ancestors moves (a scroll moves the
// scrolled content), and hides while the control is not wholly in view.
class BriselHelpBubble : public QWidget {
    Q_OBJECT

public:
    BriselHelpBubble(ViewContext context, QWidget* anchor);

    void setText(const QString& text);
    const QString& text() const { return text_; }
    // Shows the bubble centred over the anchor's top edge while the anchor is in view, or hides it.
    void setShown(bool shown);
    bool isShown() const { return shown_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Places the bubble over the anchor, or hides it while the anchor is out of view.
    void follow();

    ViewContext context_;
    QPointer<QWidget> anchor_;
    QString text_;
    bool shown_ = false;
};

} // namespace brisel

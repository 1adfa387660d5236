#pragma once

#include "ui/design/ViewContext.h"

#include <QPointer>
#include <QWidget>

namespace brisel {

// The small help text that floats 28 above a control while it has keyboard focus. A child is
// clipped to its parent, so the bubble lives in the control's window, raised over everything; it
// takes no clicks and is hidden from assistive technology (the control says the same as its help).
class BriselHelpBubble : public QWidget {
    Q_OBJECT

public:
    BriselHelpBubble(ViewContext context, QWidget* anchor);

    void setText(const QString& text);
    const QString& text() const { return text_; }
    // Shows the bubble centred over the anchor's top edge, or hides it.
    void setShown(bool shown);

protected:
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void place();

    ViewContext context_;
    QPointer<QWidget> anchor_;
    QString text_;
};

} // namespace brisel

#pragma once

#include <QObject>

#include <functional>

class QWidget;

namespace brisel {

// Keeps a view in step with what it shows while sparing the work nobody would see: after every
// `changed()`, `sync` runs right away while the view is visible, and for a view that is not, once
// when it is next shown (before it is painted). Made as a child of the view, so it goes with it.
// A host brings a hidden window up to date with catchUp() before it measures, places or shows it.
class ShownSync : public QObject {
    Q_OBJECT

public:
    ShownSync(QWidget& view, std::function<void()> sync);

    // The source changed: sync now if the view is visible, else when it is shown.
    void changed();

    // Runs the syncs waiting under `root` (itself included), ends the hover the pointer left while
    // it was hidden, and lets the layouts settle, so `root` is measured as it will be shown. Nothing
    // under a hidden `root` animates or announces what changes here: it appears as it is now.
    static void catchUp(QWidget& root);
    // Runs every layout under `root` (itself included) that waits for its turn of the event loop,
    // innermost first, so the widgets stand where they will be shown.
    static void settleLayouts(QWidget& root);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void flush();

    QWidget& view_;
    std::function<void()> sync_;
    bool pending_ = false;
};

} // namespace brisel

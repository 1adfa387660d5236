#include "ui/design/ShownSync.h"

#include "ui/design/AccessibleText.h"

#include <QCoreApplication>
#include <QEvent>
#include <QLayout>
#include <QWidget>

namespace brisel {

ShownSync::ShownSync(QWidget& view, std::function<void()> sync)
    : QObject(&view), view_(view), sync_(std::move(sync)) {
    view_.installEventFilter(this);
}

void ShownSync::changed() {
    pending_ = true;
    if (view_.isVisible()) flush();
}

void ShownSync::flush() {
    if (!pending_) return;
    pending_ = false;
    sync_();
}

void ShownSync::catchUp(QWidget& root) {
    // A window never shown is still being built.
    const QuietBuild quiet(*root.window());
    for (ShownSync* keeper : root.findChildren<ShownSync*>())
        keeper->flush();
    QList<QWidget*> widgets = root.findChildren<QWidget*>();
    // No leave event reaches a hidden window (the pointer mark may go without one): a control the
    // pointer was over when it was hidden would still show its hover. Each is told the pointer
    // left; should it be there still, showing enters it again.
    for (QWidget* widget : widgets) {
        widget->setAttribute(Qt::WA_UnderMouse, false);
        QEvent leave(QEvent::Leave);
        QCoreApplication::sendEvent(widget, &leave);
    }
    // A hidden layout runs only when it is shown.
    settleLayouts(root);
}

void ShownSync::settleLayouts(QWidget& root) {
    // Only a layout that ran tells its parent that it wants another size: run them now, innermost
    // first, so `root` measures as it will show.
    QList<QWidget*> widgets = root.findChildren<QWidget*>();
    widgets.prepend(&root);
    for (auto it = widgets.crbegin(); it != widgets.crend(); ++it) {
        QLayout* layout = (*it)->layout();
        if (!layout) continue;
        QEvent request(QEvent::LayoutRequest);
        QCoreApplication::sendEvent(*it, &request);
        layout->activate();
    }
}

bool ShownSync::eventFilter(QObject* watched, QEvent* event) {
    // A view shown without its host catching up: sent while it is being shown, before any paint.
    if (watched == &view_ && event->type() == QEvent::Show) flush();
    return QObject::eventFilter(watched, event);
}

} // namespace brisel

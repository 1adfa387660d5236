#include "ui/design/AccessibleText.h"

#include <QAccessible>
#include <QWidget>

namespace brisel {

void setAccessibleNameIfChanged(QWidget* widget, const QString& name) {
    if (widget->accessibleName() != name) widget->setAccessibleName(name);
}

void setAccessibleDescriptionIfChanged(QWidget* widget, const QString& description) {
    if (widget->accessibleDescription() != description) widget->setAccessibleDescription(description);
}

void setToolTipIfChanged(QWidget* widget, const QString& toolTip) {
    if (widget->toolTip() != toolTip) widget->setToolTip(toolTip);
}

void setHelpIfChanged(QWidget* widget, const QString& help) {
    setToolTipIfChanged(widget, help);
    setAccessibleDescriptionIfChanged(widget, help);
}

QuietBuild::QuietBuild() : QuietBuild(true) {}

// Qt makes a window's native window as it first shows it.
QuietBuild::QuietBuild(const QWidget& window) : QuietBuild(!window.windowHandle()) {}

QuietBuild::QuietBuild(bool quiet) : quiet_(quiet) {
    if (quiet_) told_ = QAccessible::installUpdateHandler([](QAccessibleEvent*) {});
}

QuietBuild::~QuietBuild() {
    if (quiet_) QAccessible::installUpdateHandler(told_);
}

} // namespace brisel

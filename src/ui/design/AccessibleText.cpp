#include "ui/design/AccessibleText.h"

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

} // namespace brisel

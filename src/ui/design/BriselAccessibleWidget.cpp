#include "ui/design/BriselAccessibleWidget.h"

#include <QVariant>
#include <QWidget>

namespace brisel {

namespace {

const char* const valueProperty = "briselAccessibleValue";
const char* const roleProperty = "briselAccessibleRole";

QAccessibleInterface* factory(const QString&, QObject* object) {
    if (!object || !object->isWidgetType()) return nullptr;
    if (!object->property(valueProperty).isValid() && !object->property(roleProperty).isValid()) return nullptr;
    return new BriselAccessibleWidget(static_cast<QWidget*>(object));
}

// Qt creates a widget's accessible face early (a label makes one as soon as its text is set) and
// keeps it; a face made before the widget was marked is dropped, so the next query comes here.
void adopt(QWidget* widget) {
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(widget);
    if (face && !dynamic_cast<BriselAccessibleWidget*>(face))
        QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(face));
}

} // namespace

BriselAccessibleWidget::BriselAccessibleWidget(QWidget* widget) : QAccessibleWidget(widget) {}

QAccessible::Role BriselAccessibleWidget::role() const {
    const QVariant role = widget()->property(roleProperty);
    return role.isValid() ? QAccessible::Role(role.toInt()) : QAccessibleWidget::role();
}

QString BriselAccessibleWidget::text(QAccessible::Text t) const {
    if (t == QAccessible::Value) return widget()->property(valueProperty).toString();
    QString text = QAccessibleWidget::text(t);
    // A label or button with no explicit name is named by what it shows.
    if (t == QAccessible::Name && text.isEmpty()) text = widget()->property("text").toString();
    return text;
}

void BriselAccessibleWidget::setValueText(QWidget* widget, const QString& value) {
    install();
    const QVariant old = widget->property(valueProperty);
    if (old.isValid() && old.toString() == value) return;
    widget->setProperty(valueProperty, value);
    adopt(widget);
    if (old.isValid() && QAccessible::isActive()) {
        QAccessibleValueChangeEvent event(widget, value);
        QAccessible::updateAccessibility(&event);
    }
}

void BriselAccessibleWidget::setRole(QWidget* widget, QAccessible::Role role) {
    install();
    widget->setProperty(roleProperty, int(role));
    adopt(widget);
}

void BriselAccessibleWidget::install() {
    static const bool installed = [] {
        QAccessible::installFactory(factory);
        return true;
    }();
    (void)installed;
}

} // namespace brisel

#include "ui/design/BriselAccessibleWidget.h"

#include "ui/design/AccessibleText.h"

#include <QAbstractButton>
#include <QVariant>
#include <QWidget>

namespace brisel {

namespace {

const char* const valueProperty = "briselAccessibleValue";
const char* const roleProperty = "briselAccessibleRole";
const char* const leafProperty = "briselAccessibleLeaf";
const char* const hiddenProperty = "briselAccessibleHidden";
const char* const disclosureProperty = "briselAccessibleDisclosure";

QAccessibleInterface* factory(const QString&, QObject* object) {
    if (!object || !object->isWidgetType()) return nullptr;
    for (const char* property :
         {valueProperty, roleProperty, leafProperty, hiddenProperty, disclosureProperty})
        if (object->property(property).isValid())
            return new BriselAccessibleWidget(static_cast<QWidget*>(object));
    return nullptr;
}

// Qt creates a widget's accessible face early (a label makes one as soon as its text is set) and
// keeps it; a face made before the widget was marked is dropped, so the next query comes here.
void adopt(QWidget* widget) {
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(widget);
    if (face && !dynamic_cast<BriselAccessibleWidget*>(face))
        QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(face));
}

void mark(QWidget* widget, const char* property, const QVariant& value) {
    BriselAccessibleWidget::install();
    widget->setProperty(property, value);
    adopt(widget);
}

} // namespace

BriselAccessibleWidget::BriselAccessibleWidget(QWidget* widget) : QAccessibleWidget(widget) {}

bool BriselAccessibleWidget::isLeaf() const {
    return widget()->property(leafProperty).toBool() || widget()->property(hiddenProperty).toBool();
}

QAccessible::Role BriselAccessibleWidget::role() const {
    if (widget()->property(hiddenProperty).toBool()) return QAccessible::NoRole;
    const QVariant role = widget()->property(roleProperty);
    if (role.isValid()) return QAccessible::Role(role.toInt());
    if (qobject_cast<QAbstractButton*>(widget())) return QAccessible::Button;
    return QAccessibleWidget::role();
}

QAccessible::State BriselAccessibleWidget::state() const {
    QAccessible::State s = QAccessibleWidget::state();
    if (widget()->property(hiddenProperty).toBool()) s.invisible = true;
    const auto* button = qobject_cast<QAbstractButton*>(widget());
    if (!button || !button->isCheckable()) return s;
    s.checked = button->isChecked();
    if (widget()->property(disclosureProperty).toBool()) {
        // Qt 6.4's Linux bridge forwards the checked change alone, so checked stays in step with the
        // open state to carry it; Orca then reads expanded or collapsed, unless the element is also
        // "expandable", whose checked changes it ignores.
        s.expanded = s.checked;
        s.collapsed = !s.checked;
    } else {
        s.checkable = true;
    }
    return s;
}

QString BriselAccessibleWidget::text(QAccessible::Text t) const {
    if (t == QAccessible::Value) return widget()->property(valueProperty).toString();
    QString text = QAccessibleWidget::text(t);
    // A label or button with no explicit name is named by what it shows.
    if (t == QAccessible::Name && text.isEmpty()) text = widget()->property("text").toString();
    return text;
}

int BriselAccessibleWidget::childCount() const {
    return isLeaf() ? 0 : QAccessibleWidget::childCount();
}

QAccessibleInterface* BriselAccessibleWidget::child(int index) const {
    return isLeaf() ? nullptr : QAccessibleWidget::child(index);
}

int BriselAccessibleWidget::indexOfChild(const QAccessibleInterface* child) const {
    return isLeaf() ? -1 : QAccessibleWidget::indexOfChild(child);
}

QStringList BriselAccessibleWidget::actionNames() const {
    QStringList names = QAccessibleWidget::actionNames();
    if (qobject_cast<QAbstractButton*>(widget()) && widget()->isEnabled()) names.prepend(pressAction());
    return names;
}

void BriselAccessibleWidget::doAction(const QString& action) {
    auto* button = qobject_cast<QAbstractButton*>(widget());
    if (action == pressAction() && button && button->isEnabled()) return button->click();
    QAccessibleWidget::doAction(action);
}

void BriselAccessibleWidget::setValueText(QWidget* widget, const QString& value) {
    const QVariant old = widget->property(valueProperty);
    if (old.isValid() && old.toString() == value) return;
    mark(widget, valueProperty, value);
    if (old.isValid() && QAccessible::isActive()) {
        QAccessibleValueChangeEvent event(widget, value);
        QAccessible::updateAccessibility(&event);
    }
}

void BriselAccessibleWidget::setRole(QWidget* widget, QAccessible::Role role) {
    mark(widget, roleProperty, int(role));
}

void BriselAccessibleWidget::setDisclosure(QAbstractButton* button) {
    if (button->property(disclosureProperty).isValid()) return;
    mark(button, disclosureProperty, true);
    // The screen reader keeps the states it read until the element takes focus again, and the bridge
    // tells it no expanded change: a focused disclosure says it has focus again before its checked
    // change is sent, so that the new state is read afresh.
    QObject::connect(button, &QAbstractButton::toggled, button, [button] {
        if (!button->hasFocus() || !QAccessible::isActive()) return;
        QAccessibleEvent focus(button, QAccessible::Focus);
        QAccessible::updateAccessibility(&focus);
    });
}

void BriselAccessibleWidget::setCombined(QWidget* widget, const QString& label, const QString& value) {
    if (!widget->property(leafProperty).isValid()) mark(widget, leafProperty, true);
    setAccessibleNameIfChanged(widget, label);
    setValueText(widget, value);
}

void BriselAccessibleWidget::setHidden(QWidget* widget) {
    mark(widget, hiddenProperty, true);
}

void BriselAccessibleWidget::install() {
    static const bool installed = [] {
        QAccessible::installFactory(factory);
        return true;
    }();
    (void)installed;
}

} // namespace brisel

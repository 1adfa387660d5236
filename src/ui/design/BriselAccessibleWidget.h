#pragma once

#include <QAccessibleWidget>

namespace brisel {

// The accessible face of a widget that needs what QWidget cannot say: a value text (a reading such
// as "80%") and a role other than its class gives (a heading, a cell). Both are read from the widget
// on every query, so they may change later; the widget must be given one of them before assistive
// technology first asks for it.
class BriselAccessibleWidget : public QAccessibleWidget {
public:
    explicit BriselAccessibleWidget(QWidget* widget);

    QAccessible::Role role() const override;
    QString text(QAccessible::Text t) const override;

    // Sets the value text, and tells assistive technology when it changed.
    static void setValueText(QWidget* widget, const QString& value);
    static void setRole(QWidget* widget, QAccessible::Role role);

    // Installs the factory once per process; the two setters call it.
    static void install();
};

} // namespace brisel

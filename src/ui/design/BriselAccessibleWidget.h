#pragma once

#include <QAccessibleWidget>

class QAbstractButton;

namespace brisel {

// The accessible face of a widget that needs what QWidget cannot say: a value text (a reading such
// as "80%"), a role other than its class gives (a heading, a cell, a radio button), a disclosure's
// open state, one element standing for all it holds, or no element at all. Everything is read from
// the widget on every query, so it may change later; the widget must be marked before assistive
// technology first asks for it. A marked button still presses through its press action.
class BriselAccessibleWidget : public QAccessibleWidget {
public:
    explicit BriselAccessibleWidget(QWidget* widget);

    QAccessible::Role role() const override;
    QAccessible::State state() const override;
    QString text(QAccessible::Text t) const override;
    int childCount() const override;
    QAccessibleInterface* child(int index) const override;
    int indexOfChild(const QAccessibleInterface* child) const override;
    QStringList actionNames() const override;
    void doAction(const QString& action) override;

    // Sets the value text, and tells assistive technology when it changed.
    static void setValueText(QWidget* widget, const QString& value);
    static void setRole(QWidget* widget, QAccessible::Role role);
    // A checkable button that shows or hides content, checked while open: read as a button that is
    // expanded or collapsed, never as a check box.
    static void setDisclosure(QAbstractButton* button);
    // One element read as `label` and `value`; what the widget holds is not exposed beside it.
    static void setCombined(QWidget* widget, const QString& label, const QString& value);
    // Decoration, or text another element already says: not exposed at all.
    static void setHidden(QWidget* widget);

    // Installs the factory once per process; the setters call it.
    static void install();

private:
    bool isLeaf() const;
};

} // namespace brisel

#pragma once

#include "localization/Localizer.h"
#include "ui/design/Announcer.h"
#include "ui/design/Haptics.h"

#include <gtest/gtest.h>

#include <QAccessible>
#include <QEvent>
#include <QImage>
#include <QList>
#include <QPalette>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <tuple>
#include <utility>
#include <vector>

// Failures print texts as text, not as lists of UTF-16 code units.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

namespace brisel {
class BriselDetentSlider;
}

namespace brisel::test {

// Records every announcement instead of speaking it.
struct RecordingAnnouncer : Announcer {
    QStringList texts;
    void announce(const QString& text) override { texts << text; }
};

// Counts the alignment ticks a control asked for.
struct CountingHaptics : Haptics {
    int alignments = 0;
    void alignment() override { ++alignments; }
};

// Counts the events of one type that reach `target` while it lives.
struct EventCounter : QObject {
    EventCounter(QObject& target, QEvent::Type type) : type(type) { target.installEventFilter(this); }
    bool eventFilter(QObject*, QEvent* event) override { return (count += event->type() == type), false; }
    QEvent::Type type;
    int count = 0;
};

// Records the accessibility events Qt sends while it lives (no platform bridge hears them then).
struct AccessibleEventLog {
    AccessibleEventLog();
    ~AccessibleEventLog();
    // How many of `type` were sent, for `object` or (null) for any; how many names and descriptions.
    int count(QAccessible::Event type, const QObject* object = nullptr) const;
    int renames() const { return count(QAccessible::NameChanged) + count(QAccessible::DescriptionChanged); }
    // What a screen reader was told to say since the last call (each announcement element shown).
    QStringList spoken();
    std::vector<std::pair<const QObject*, QAccessible::Event>> events;
    std::size_t heard = 0;
};

// A light and a dark palette with distinct window, text, base and highlight colours.
QPalette lightPalette();
QPalette darkPalette();

// Sets the application palette for as long as it lives, then restores the previous one.
class ScopedScheme {
public:
    explicit ScopedScheme(bool dark);
    ~ScopedScheme();
    ScopedScheme(const ScopedScheme&) = delete;
    ScopedScheme& operator=(const ScopedScheme&) = delete;

private:
    QPalette previous_;
};

// Renders `widget` (shown first if needed) at twice its size into
// "<build>/ui-renders/<name>.png" and returns the file's path.
QString renderToPng(QWidget& widget, const QString& name);
// Saves `image` as "<build>/ui-renders/<name>.png" and returns the file's path.
QString saveRender(const QImage& image, const QString& name);
// WCAG's contrast ratio of two opaque colours: 1 for the same colour, 21 for black on white.
double contrast(QRgb a, QRgb b);

// The widgets under `root` named `objectName` that would be visible with `root`.
QList<QWidget*> findVisible(const QWidget* root, const QString& objectName);

// The one visible widget under `root` named `objectName`; a test failure and null otherwise.
template <class T = QWidget> T* findOne(const QWidget* root, const QString& objectName) {
    const QList<QWidget*> found = findVisible(root, objectName);
    if (found.size() != 1) {
        ADD_FAILURE() << "expected exactly one visible \"" << objectName.toStdString() << "\", found " << found.size();
        return nullptr;
    }
    T* widget = qobject_cast<T*>(found.front());
    if (!widget) ADD_FAILURE() << "\"" << objectName.toStdString() << "\" has another type";
    return widget;
}

// Keyboard focus on `focused` rests on no control: nothing Tab reaches or a screen reader names.
inline bool noControl(const QWidget* focused) {
    return focused && !(focused->focusPolicy() & Qt::TabFocus) && focused->accessibleName().isEmpty();
}

// Shows `window` and makes it the active window.
bool showActive(QWidget& window);

// Shows and activates `window`, then presses Tab until focus comes round again; returns the
// widgets that took focus, in order.
QList<QWidget*> tabOrder(QWidget& window);

// Focuses `button` (its window active): the focus ring shows and leaves every pixel the button
// draws without focus as it was, so it crosses no text.
bool focusRingClearsLabel(QWidget& button);

// Drags `slider` from detent `from` to detent `to`, calling `between` after the press and after the
// move: the owner re-syncing mid-drag must not end the drag.
void dragAcrossDetents(BriselDetentSlider& slider, int from, int to, const std::function<void()>& between);

// One element that assistive technology is shown.
struct AccessibleElement {
    QAccessible::Role role;
    QString name;
    QString value;
    QObject* object;
    QAccessible::State state;
    bool says(const QString& text) const { return name == text || value == text; }
};
// The elements under `root` (itself included) that a screen reader meets, depth first; an element
// marked invisible is left out with everything below it.
std::vector<AccessibleElement> accessibleElements(QWidget& root);

// What a screen reader learns a control is: its role, name, checked state and, for a disclosure,
// whether it is expanded; NoRole when no element under `root` stands for the widget named `name`.
using ReadAs = std::tuple<QAccessible::Role, QString, bool, std::optional<bool>>;
ReadAs readAs(QWidget& root, const QString& name);
inline ReadAs radioButton(const QString& name, bool on) { return {QAccessible::RadioButton, name, on, {}}; }
inline ReadAs disclosure(const QString& name, bool open) { return {QAccessible::Button, name, open, open}; }

// A localiser on the repository's string tables in `language`.
std::unique_ptr<Localizer> repositoryLocalizer(const QString& language);

} // namespace brisel::test

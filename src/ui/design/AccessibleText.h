#pragma once

#include <QString>

class QAccessibleEvent;
class QWidget;

namespace brisel {

// Qt tells assistive technology of every accessible name or description it is given, the same
// text or not, and a screen reader flooded by a sync of unchanged texts drops the events that
// matter (an announcement among them). Views set these texts through here: only when they change.
// A button or label is named by its text, and Qt tells of a new text by itself: one named the same
// besides would be told twice, so it is given no name of its own.
void setAccessibleNameIfChanged(QWidget* widget, const QString& name);
void setAccessibleDescriptionIfChanged(QWidget* widget, const QString& description);
void setToolTipIfChanged(QWidget* widget, const QString& toolTip);
// A control's help: its tooltip, and the same text as its accessible description.
void setHelpIfChanged(QWidget* widget, const QString& help);

// While it lives, Qt tells assistive technology nothing: for building the view of a window that was
// never shown. Nothing outside knows its widgets yet, and the build sets every text the window
// shows, each an event the screen reader would queue as the window opens, until it drops the events
// that matter; it reads the window as it shows.
class QuietBuild {
public:
    QuietBuild();
    // Quiet only while `window` has never been shown.
    explicit QuietBuild(const QWidget& window);
    ~QuietBuild();
    QuietBuild(const QuietBuild&) = delete;
    QuietBuild& operator=(const QuietBuild&) = delete;

private:
    explicit QuietBuild(bool quiet);

    bool quiet_;
    void (*told_)(QAccessibleEvent*) = nullptr; // the handler it stands in for
};

} // namespace brisel

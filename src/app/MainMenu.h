#pragma once

// The application's menus, built from one description table: the application menu, Edit and
// Window on each window's menu bar, and the application menu as the tray icon's context menu. The
// actions exist once and are shared by every menu, so a shortcut works in whichever window is
// active; a language change only retitles them.

#include <QList>
#include <QObject>
#include <QPointer>

class QAction;
class QMenu;
class QMenuBar;
class QWidget;

namespace brisel {

class Localizer;

enum class MenuCommand {
    about,
    preferences,
    onboarding,
    hide,
    hideOthers,
    showAll,
    quit,
    cut,
    copy,
    paste,
    selectAll,
    close
};

class MainMenu : public QObject {
    Q_OBJECT

public:
    explicit MainMenu(Localizer& localizer, QObject* parent = nullptr);

    QAction* action(MenuCommand command) const;
    const QList<QAction*>& actions() const { return actions_; }

    // A menu bar for `window`: the application menu, Edit and Window.
    QMenuBar* createMenuBar(QWidget* window);
    // The application menu alone, for the tray icon.
    QMenu* createApplicationMenu(QWidget* parent = nullptr);

    // Titles in the current language; shortcuts stay as they are.
    void retitle();

signals:
    void triggered(MenuCommand command);

private:
    QMenu* buildMenu(int section, QWidget* parent);

    Localizer& localizer_;
    QList<QAction*> actions_; // in the order of the table
    QList<QPointer<QMenu>> menus_;
};

} // namespace brisel

#include "app/MainMenu.h"

#include "localization/Localizer.h"

#include <QAction>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>

#include <array>
#include <optional>

namespace brisel {

namespace {

struct Entry {
    std::optional<MenuCommand> command; // nothing: a separator
    const char* objectName = nullptr;
    const char* titleKey = nullptr;
    QKeyCombination shortcut = QKeyCombination();
};

struct Section {
    const char* titleKey;
    std::vector<Entry> entries;
};

const std::array<Section, 3>& table() {
    static const std::array<Section, 3> sections = {{
        {"app.name",
         {
             {MenuCommand::about, "menu-about", "menu.about"},
             {},
             {MenuCommand::preferences, "menu-preferences", "menu.preferences", Qt::CTRL | Qt::Key_Comma},
             {MenuCommand::onboarding, "menu-onboarding", "onboarding.menuTitle"},
             {},
             {MenuCommand::hide, "menu-hide", "menu.hide", Qt::CTRL | Qt::Key_H},
             {MenuCommand::hideOthers, "menu-hide-others", "menu.hideOthers", Qt::CTRL | Qt::ALT | Qt::Key_H},
             {MenuCommand::showAll, "menu-show-all", "menu.showAll"},
             {},
             {MenuCommand::quit, "menu-quit", "menu.quit", Qt::CTRL | Qt::Key_Q},
         }},
        {"menu.edit",
         {
             {MenuCommand::cut, "menu-cut", "menu.cut", Qt::CTRL | Qt::Key_X},
             {MenuCommand::copy, "menu-copy", "menu.copy", Qt::CTRL | Qt::Key_C},
             {MenuCommand::paste, "menu-paste", "menu.paste", Qt::CTRL | Qt::Key_V},
             {MenuCommand::selectAll, "menu-select-all", "menu.selectAll", Qt::CTRL | Qt::Key_A},
         }},
        {"menu.window",
         {
             {MenuCommand::close, "menu-close", "menu.close", Qt::CTRL | Qt::Key_W},
         }},
    }};
    return sections;
}

} // namespace

MainMenu::MainMenu(Localizer& localizer, QObject* parent) : QObject(parent), localizer_(localizer) {
    for (const Section& section : table()) {
        for (const Entry& entry : section.entries) {
            if (!entry.command) continue;
            auto* action = new QAction(this);
            action->setObjectName(QString::fromLatin1(entry.objectName));
            if (entry.shortcut != QKeyCombination()) action->setShortcut(QKeySequence(entry.shortcut));
            action->setShortcutContext(Qt::WindowShortcut);
            // Linux has no way to hide other applications' windows.
            action->setEnabled(*entry.command != MenuCommand::hideOthers);
            const MenuCommand command = *entry.command;
            connect(action, &QAction::triggered, this, [this, command] { emit triggered(command); });
            actions_.append(action);
        }
    }
    retitle();
}

QAction* MainMenu::action(MenuCommand command) const {
    int index = 0;
    for (const Section& section : table()) {
        for (const Entry& entry : section.entries) {
            if (!entry.command) continue;
            if (*entry.command == command) return actions_.at(index);
            ++index;
        }
    }
    return nullptr;
}

QMenu* MainMenu::buildMenu(int sectionIndex, QWidget* parent) {
    auto* menu = new QMenu(parent);
    const Section& section = table()[static_cast<std::size_t>(sectionIndex)];
    menu->setProperty("titleKey", QString::fromLatin1(section.titleKey));
    for (const Entry& entry : section.entries) {
        if (entry.command)
            menu->addAction(action(*entry.command));
        else
            menu->addSeparator();
    }
    menu->setTitle(localizer_.tr(QString::fromLatin1(section.titleKey)));
    menus_.append(menu);
    return menu;
}

QMenuBar* MainMenu::createMenuBar(QWidget* window) {
    auto* bar = new QMenuBar(window);
    bar->setObjectName(QStringLiteral("main-menu-bar"));
    for (int section = 0; section < static_cast<int>(table().size()); ++section)
        bar->addMenu(buildMenu(section, bar));
    return bar;
}

QMenu* MainMenu::createApplicationMenu(QWidget* parent) {
    return buildMenu(0, parent);
}

void MainMenu::retitle() {
    int index = 0;
    for (const Section& section : table()) {
        for (const Entry& entry : section.entries) {
            if (!entry.command) continue;
            actions_.at(index++)->setText(localizer_.tr(QString::fromLatin1(entry.titleKey)));
        }
    }
    for (const QPointer<QMenu>& menu : menus_) {
        if (menu) menu->setTitle(localizer_.tr(menu->property("titleKey").toString()));
    }
}

} // namespace brisel

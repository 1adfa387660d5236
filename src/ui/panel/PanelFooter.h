#pragma once

#include "ui/design/ViewContext.h"

#include <QWidget>

#include <functional>

class QAbstractButton;

namespace brisel {

// The panel's last row: the settings button ("open-settings", only where the host asks for it) and
// the quit button, each with its shortcut's hint and a hover highlight.
class PanelFooter : public QWidget {
    Q_OBJECT

public:
    PanelFooter(ViewContext context, bool showsSettingsButton, QWidget* parent = nullptr);

    void setActions(std::function<void()> openSettings, std::function<void()> quit);
    // Ctrl+, and Ctrl+Q anywhere in this window. Only one host may do this: two shortcuts on one
    // key in a window make Qt fire neither.
    void installShortcuts();

    QAbstractButton* settingsButton() const { return settings_; }
    QAbstractButton* quitButton() const { return quit_; }

private:
    void apply();

    ViewContext context_;
    std::function<void()> openSettings_;
    std::function<void()> quit_action_;
    QAbstractButton* settings_ = nullptr;
    QAbstractButton* quit_;
};

} // namespace brisel

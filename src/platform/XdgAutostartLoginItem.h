#pragma once

#include "platform/LoginItem.h"

#include <filesystem>
#include <optional>
#include <vector>

namespace brisel {

// The login item as an XDG autostart entry, "<application id>.desktop" in the user's autostart
// folder ($XDG_CONFIG_HOME/autostart). The user's entry overrides one of the same name in the
// system's folders ($XDG_CONFIG_DIRS/autostart), as desktops read them.
//
// Status: no entry, or one marked Hidden (deleted), is not registered; an entry whose program is
// missing, or that cannot be read, is not found; an entry the user switched off in the desktop's
// start-up settings (X-GNOME-Autostart-enabled=false) requires approval; otherwise enabled.
class XdgAutostartLoginItem final : public LoginItem {
public:
    struct Options {
        std::filesystem::path userDir;                 // default: the XDG autostart folder
        std::vector<std::filesystem::path> systemDirs; // default: the XDG system autostart folders
        std::filesystem::path executable;              // default: this process's executable
    };

    XdgAutostartLoginItem();
    explicit XdgAutostartLoginItem(Options options);

    LoginItemStatus status() override;
    void setRegistered(bool registered) override;

    std::filesystem::path entryPath() const;

private:
    std::optional<std::filesystem::path> systemEntry() const;

    Options options_;
};

} // namespace brisel

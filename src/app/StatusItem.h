#pragma once

#include <QIcon>
#include <QRect>
#include <QString>

#include <functional>
#include <memory>

class QMenu;

namespace brisel {

// The icon in the system tray.
class StatusItem {
public:
    virtual ~StatusItem() = default;

    // Whether a tray host is there to show the icon.
    virtual bool isAvailable() const = 0;
    virtual void setVisible(bool visible) = 0;
    virtual void setLabel(const QIcon& icon, const QString& tooltip) = 0;
    // Shown on a context click; the menu stays the caller's.
    virtual void setContextMenu(QMenu* menu) = 0;

    // A click or double click, with the icon's place on the screen (empty when the tray does not
    // tell, as is usual with status-notifier trays).
    std::function<void(const QRect& anchor)> onActivated;

    // The system tray's icon.
    static std::unique_ptr<StatusItem> systemTray();
};

} // namespace brisel

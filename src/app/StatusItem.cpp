#include "app/StatusItem.h"

#include <QIcon>
#include <QSystemTrayIcon>

namespace brisel {

namespace {

class SystemTrayItem : public StatusItem {
public:
    SystemTrayItem() {
        QObject::connect(
            &tray_, &QSystemTrayIcon::activated, &tray_, [this](QSystemTrayIcon::ActivationReason why) {
                if ((why == QSystemTrayIcon::Trigger || why == QSystemTrayIcon::DoubleClick) && onActivated)
                    onActivated(tray_.geometry());
            });
    }

    bool isAvailable() const override { return QSystemTrayIcon::isSystemTrayAvailable(); }
    // Shown also without a tray host: Qt embeds the icon when one appears later.
    void setVisible(bool visible) override { tray_.setVisible(visible); }
    void setLabel(const QIcon& icon, const QString& tooltip) override {
        tray_.setIcon(icon);
        tray_.setToolTip(tooltip);
    }
    void setContextMenu(QMenu* menu) override { tray_.setContextMenu(menu); }

private:
    QSystemTrayIcon tray_;
};

} // namespace

std::unique_ptr<StatusItem> StatusItem::systemTray() {
    return std::make_unique<SystemTrayItem>();
}

} // namespace brisel

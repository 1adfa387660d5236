#pragma once

// The application: the delegate, the shared model and localiser, the tray icon with its label and
// the panel that a click on it opens.

#include "app/AppDelegate.h"
#include "app/MenuBarLabel.h"

#include <QObject>
#include <QWidget>

#include <memory>
#include <optional>

class QStackedWidget;

namespace brisel {

class StatusItem;

// The tray panel: a frameless pop-up showing a progress indicator while the model starts, the
// onboarding menu while setup is required, and the control panel otherwise. Each page is made once,
// when first needed.
class PanelHost : public QWidget {
    Q_OBJECT

public:
    enum class Page { progress, onboardingMenu, controlPanel };

    explicit PanelHost(AppDelegate& delegate);

    static Page pageFor(bool startupLoading, bool hasCoordinator, bool setupRequired);

    // Shows the page the model's state calls for.
    void sync();
    Page page() const { return page_; }
    QWidget* pageWidget(Page page) const;

    // Opens the panel next to `anchor` (at the cursor when empty), or closes it when open.
    void toggle(const QRect& anchor);

    // Where a popup of `size` opens for the tray icon at `anchor` (at `cursor` when the anchor is
    // empty): below the icon, above it when there is no room below, else beside it, kept inside
    // `area` and never over the icon while the area allows.
    static QRect placement(const QRect& anchor, QPoint cursor, QSize size, const QRect& area);

protected:
    bool event(QEvent* event) override;

private:
    QWidget* ensurePage(Page page);
    // The screen of the icon (of the pointer when the tray gives no icon), the popup's main screen.
    QScreen* iconScreen() const;
    // Sizes the popup to its page and places it by the rule above on the icon's screen.
    void place();

    AppDelegate& delegate_;
    QStackedWidget* stack_;
    QWidget* pages_[3] = {};
    Page page_ = Page::progress;
    QRect anchor_;  // the tray icon it was opened for
    QPoint cursor_; // the pointer then, for a tray that gives no icon geometry
};

class BriselApp : public QObject {
    Q_OBJECT

public:
    BriselApp(AppModel& model, std::unique_ptr<StatusItem> statusItem, AppDelegateOptions options = {});
    ~BriselApp() override;

    void applicationDidFinishLaunching();

    AppDelegate& delegate() { return *delegate_; }
    PanelHost& panel() { return *panel_; }
    StatusItem& statusItem() { return *statusItem_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Brings the tray up to date, touching it only where something changed: resetting its icon on
    // every refresh would cost CPU and flicker.
    void sync();

    std::unique_ptr<AppDelegate> delegate_;
    std::unique_ptr<StatusItem> statusItem_;
    std::unique_ptr<PanelHost> panel_;
    std::unique_ptr<QMenu> contextMenu_;
    std::optional<MenuBarLabel> shownLabel_;
    std::optional<bool> shownVisible_;
};

} // namespace brisel

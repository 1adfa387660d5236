#pragma once

// The two places the panel is shown: the tray's popup and the dock window. Each host draws the
// backdrop, binds the panel to the model, keeps it for its whole life, and folds its keep-awake
// sections in when it is closed (not when its window is minimised).

#include "ui/design/AppearanceSource.h"
#include "ui/design/Haptics.h"
#include "ui/design/QtAnnouncer.h"
#include "ui/design/ViewContext.h"
#include "ui/panel/PanelBinders.h"

#include <QScrollArea>

#include <memory>
#include <optional>

namespace brisel {

class AppModel;
class ControlPanel;
class ShownSync;
class UserDefaults;

// The appearance, announcer and haptics a host makes where its caller gives none. The appearance
// takes reduce motion and reduce transparency from the user's defaults.
struct HostViewParts {
    explicit HostViewParts(const UserDefaults& defaults) { appearance.loadAccessibilityDefaults(defaults); }

    AppearanceSource appearance;
    QtAnnouncer announcer;
    Haptics haptics;
};
// `view` with its missing parts taken from `parts`.
ViewContext completedViewContext(ViewContext view, HostViewParts& parts);

// The popup's height limit: the screen's available height less 60, at most 680 (680 without a
// screen), never below 200 so a tiny screen still shows a usable panel.
double popoverMaximumHeight(std::optional<double> availableHeight);

// A frameless, backgroundless scroll area for a 340-wide content, never scrolling sideways. Its bar
// lies over the content. With a maximum height (the popup) it answers 340 × the content's height up
// to that maximum, shows the bar (hidden while idle) exactly when the content is taller, and scrolls
// back to the top when the content fits again. Without one (the dock) it fills its place and shows
// its bar while the content is taller. Opened, it starts at its top (a window restored from the
// minimised state keeps its place), and follows the keyboard focus the user moves to a control out
// of view.
class PanelScrollViewport : public QScrollArea {
    Q_OBJECT

public:
    PanelScrollViewport(QWidget* content, std::optional<double> maximumHeight, QWidget* parent = nullptr);

    void setMaximumContentHeight(std::optional<double> maximum);
    // The content's height at 340, or the maximum when that is not a positive finite number.
    double contentHeight() const;
    // Sizes the content and decides the bar (also run whenever the content's layout changes).
    void relayout();

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    QWidget* content_;
    std::optional<double> maximum_;
    QSize hint_;
};

// The tray popup's content: the panel in a viewport as tall as the screen allows, with its own
// fold state and the window-wide Ctrl+, and Ctrl+Q. The limit is read from the screen of its window
// each time it is shown, before it is measured (its host puts the window on the tray icon's screen).
// Null members of `view` are filled by the host (its own appearance and announcer).
class PopoverControlPanel : public QWidget {
    Q_OBJECT

public:
    PopoverControlPanel(ViewContext view, AppModel& model, PanelHostActions actions,
                        QWidget* parent = nullptr);
    ~PopoverControlPanel() override;

    ControlPanel* panel() const { return panel_; }
    PanelScrollViewport* viewport() const { return viewport_; }
    bool keepAwakeExpanded() const { return keepAwakeExpanded_; }
    bool keepAwakeFeedbackExpanded() const { return feedbackExpanded_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    std::unique_ptr<HostViewParts> owned_;
    ViewContext view_;
    ControlPanel* panel_;
    PanelScrollViewport* viewport_;
    ShownSync* limit_;
    bool keepAwakeExpanded_ = false;
    bool feedbackExpanded_ = false;
};

// The dock window's content: the panel hanging from the top of a taller window, scrolling when the
// window is shorter. Its fold state is the caller's (the application's navigation): the two
// bindings, read again on refreshNavigation().
class DockDashboardView : public QWidget {
    Q_OBJECT

public:
    DockDashboardView(ViewContext view, AppModel& model, BoolBinding keepAwakeExpanded,
                      BoolBinding feedbackExpanded, PanelHostActions actions, QWidget* parent = nullptr);
    ~DockDashboardView() override;

    ControlPanel* panel() const { return panel_; }
    void refreshNavigation();

protected:
    void paintEvent(QPaintEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    std::unique_ptr<HostViewParts> owned_;
    ViewContext view_;
    BoolBinding keepAwakeExpanded_;
    BoolBinding feedbackExpanded_;
    ControlPanel* panel_;
};

} // namespace brisel

#include "ShellFixture.h"

#include "UiTestSupport.h"
#include "ui/design/AnimatedValue.h"
#include "ui/panel/PanelFooter.h"
#include "ui/panel/PanelHosts.h"

#include <QAbstractButton>
#include <QEnterEvent>
#include <QGuiApplication>
#include <QScreen>

namespace brisel::test {
namespace {

// The program's popup and dock as a user meets them: opened by their hosts after changes made while
// they were closed, with what the popup announces recorded.
class PanelShowingTest : public ShellTest {
protected:
    PanelHost& launchProgram() {
        makeModel(setupDone());
        AppDelegateOptions program = options();
        program.views = applicationViews();
        program.views->controlPanel = [this](const HostContext& context) {
            return new PopoverControlPanel(ViewContext{&context.localizer, nullptr, &announcer, nullptr},
                                           context.model, {});
        };
        app = std::make_unique<BriselApp>(*model, std::make_unique<RecordingStatusItem>(), std::move(program));
        app->applicationDidFinishLaunching();
        settle();
        return app->panel();
    }
    void publishError(std::optional<std::string> error) {
        model->lastError = std::move(error);
        settle();
    }

    RecordingAnnouncer announcer;
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    const QRect bottomIcon{area.right() - 60, area.bottom() - 23, 24, 24};
    const QRect topIcon{area.right() - 60, area.top(), 24, 24};
};

// Opened after a banner came or went while it was closed, or grown and shrunk while open, the popup
// stands by its icon at its new size: its bottom on the icon's top at a bottom tray, its top under
// the icon at a top tray, inside the screen's available area.
TEST_F(PanelShowingTest, ThePopupStandsByItsIconAtTheSizeItShows) {
    PanelHost& popup = launchProgram();
    const auto byIcon = [&](const QRect& icon, const char* when) {
        const QRect frame = popup.geometry();
        EXPECT_TRUE(area.contains(frame)) << when;
        if (icon == bottomIcon)
            EXPECT_EQ(frame.bottom() + 1, icon.top()) << when;
        else
            EXPECT_EQ(frame.top() - 1, icon.bottom()) << when;
    };
    for (const QRect& icon : {bottomIcon, topIcon}) {
        for (bool error : {true, false}) {
            popup.toggle(icon);
            popup.toggle(icon);
            const int closedHeight = popup.height();
            publishError(error ? std::optional<std::string>("The power helper stopped responding.")
                               : std::nullopt);
            popup.toggle(icon);
            EXPECT_NE(popup.height(), closedHeight) << "measured before it caught up";
            byIcon(icon, error ? "opened with a new banner" : "opened with the banner gone");
            popup.toggle(icon);
        }
        popup.toggle(icon);
        publishError("The power helper stopped responding.");
        byIcon(icon, "a banner came while shown");
        publishError(std::nullopt);
        byIcon(icon, "the banner went while shown");
        popup.toggle(icon);
    }
}

// Shown again, a host shows only what is now, at once: the popup announces the error it shows, not
// the ones replaced or cleared while it was closed; nothing animates towards what changed meanwhile;
// the dock's keep-awake card opens folded even though keep-awake went on meanwhile; and no
// control keeps the pointer's hover from before it was closed.
TEST_F(PanelShowingTest, ShownAgainAHostShowsOnlyWhatIsNowAtOnce) {
    PanelHost& popup = launchProgram();
    AppDelegate& shell = app->delegate();
    popup.toggle(bottomIcon);
    model->configError = std::string("Config error A");
    publishError("Error A");
    QAbstractButton* quit = popup.findChild<PanelFooter*>()->quitButton();
    const QImage idle = quit->grab().toImage();
    AnimatedValue::setInstantMotion(true);
    QEnterEvent enter(QPointF(4, 4), QPointF(4, 4), QPointF(4, 4));
    QCoreApplication::sendEvent(quit, &enter);
    AnimatedValue::setInstantMotion(false);
    EXPECT_NE(quit->grab().toImage(), idle);
    popup.toggle(bottomIcon);
    quit->setAttribute(Qt::WA_UnderMouse, false); // as closing a popup under the pointer leaves it
    shell.showMainWindow();
    shell.dockWindow()->close();

    announcer.texts.clear();
    model->configError = std::nullopt;
    model->setKeepAwakeEnabled(true); // the switch and the fold's chevron move
    publishError("Error B");
    ASSERT_TRUE(model->keepAwake());
    popup.toggle(bottomIcon);
    EXPECT_EQ(announcer.texts, QStringList{"Error B"});
    for (const AnimatedValue* value : popup.findChildren<AnimatedValue*>())
        EXPECT_EQ(value->value(), value->target()) << value->parent()->objectName().toStdString();
    EXPECT_EQ(quit->grab().toImage(), idle);

    shell.showMainWindow();
    EXPECT_FALSE(shell.panelNavigation().keepAwakeExpanded());
    EXPECT_TRUE(findVisible(shell.dockWindow(), "keep-awake-options").isEmpty());
}

} // namespace
} // namespace brisel::test

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

// The program's popup and dock, opened by their hosts after changes made while they were closed;
// what the popup announces is recorded.
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
// stands by its icon at its new size, inside the available area: at a bottom tray its bottom on the
// icon's top, at a top tray its top under the icon.
TEST_F(PanelShowingTest, ThePopupStandsByItsIconAtTheSizeItShows) {
    PanelHost& popup = launchProgram();
    const auto byIcon = [&](const QRect& icon) {
        EXPECT_TRUE(area.contains(popup.geometry()));
        EXPECT_EQ(icon == bottomIcon ? popup.geometry().bottom() + 1 : popup.geometry().top() - 1,
                  icon == bottomIcon ? icon.top() : icon.bottom());
    };
    for (const QRect& icon : {bottomIcon, topIcon}) {
        for (bool banner : {true, false}) {
            const std::optional<std::string> error = banner ? std::optional<std::string>("Helper gone") : std::nullopt;
            const std::optional<std::string> other = banner ? std::nullopt : std::optional<std::string>("Helper gone");
            publishError(other);
            popup.toggle(icon);
            popup.toggle(icon);
            const int closedHeight = popup.height();
            publishError(error);
            popup.toggle(icon);
            EXPECT_NE(popup.height(), closedHeight); // measured after it caught up
            byIcon(icon);
            publishError(other);
            byIcon(icon); // changed while shown
            popup.toggle(icon);
        }
    }
}

// Shown again, a host shows what is now, at once: the popup announces only the error it shows,
// nothing slides towards what changed while it was closed, no control keeps the hover it had; the
// dock's keep-awake card opens folded though keep-awake went on meanwhile.
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
    ASSERT_NE(quit->grab().toImage(), idle);
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
        EXPECT_EQ(value->value(), value->target());
    EXPECT_EQ(quit->grab().toImage(), idle);
    shell.showMainWindow();
    EXPECT_TRUE(findVisible(shell.dockWindow(), "keep-awake-options").isEmpty());
}

} // namespace
} // namespace brisel::test

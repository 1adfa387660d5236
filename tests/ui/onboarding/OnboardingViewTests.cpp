#include "ManualClock.h"
#include "OnboardingTestSupport.h"
#include "UiTestSupport.h"

#include "async/RunUntil.h"
#include "ui/design/AnimatedValue.h"
#include "ui/design/AppearanceSource.h"
#include "ui/design/BriselPanelBackdrop.h"
#include "ui/design/KeySettle.h"
#include "ui/onboarding/OnboardingMenuView.h"
#include "ui/onboarding/OnboardingView.h"
#include "ui/onboarding/TaskStopView.h"

#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QFileInfo>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>
#include <QVBoxLayout>
#include <QWheelEvent>

#include <algorithm>
#include <functional>

namespace brisel {
namespace {

using test::findOne;
using test::findVisible;
using Change = std::function<void(OnboardingState&)>;

OnboardingState at(std::int64_t step, const Change& change = {}) {
    OnboardingState s = test::laptopState(step);
    if (change) change(s);
    return s;
}

// One telling state per page.
OnboardingState pageState(const QString& page) {
    OnboardingState s = test::laptopState();
    if (page == "habit") {
        s.record.habit = OnboardingHabit::mobile;
        s.predictedHour = 7;
        s.limits = {75, 85, 95};
        s.selectedLimit = 85;
    } else if (page == "task") {
        s.record.step = 1;
        s.record.task = OnboardingTask::lid;
    } else if (page == "helper") {
        s.record.step = 2;
        s.record.task = OnboardingTask::lid;
        s.canAdvance = false;
    } else if (page == "continuity") {
        s.record.step = 3;
        s.record.task = OnboardingTask::open;
        s.loginState = "login.requiresApproval";
        s.notificationState = "notification.denied";
        s.canAdvance = false;
    } else if (page == "confirmation") {
        s.record.step = 4;
        s.record.task = OnboardingTask::open;
        s.record.habit = OnboardingHabit::mobile;
        s.helperReady = s.helperResolved = true;
        s.loginResolved = true;
        s.loginSummaryKey = "onboarding.loginReady";
    } else if (page == "completion") {
        s.record.step = 5;
        s.record.task = OnboardingTask::open;
        s.record.charge = s.record.ordinary = SetupResult::confirmed;
        s.record.helper = SetupDecision::skipped;
        s.loginSummaryKey = "onboarding.loginReady";
        s.notificationSummaryKey = "onboarding.notificationReady";
    }
    return s;
}

class OnboardingViewTest : public ::testing::Test {
protected:
    void SetUp() override { AnimatedValue::setInstantMotion(true); }
    // Lets the held refreshes end, so no coroutine outlives the test.
    void TearDown() override {
        recorded.refreshGate->open();
        view.reset();
        for (int turn = 0; turn < 4; ++turn)
            QCoreApplication::sendPostedEvents();
        AnimatedValue::setInstantMotion(false);
    }

    OnboardingView& make(const OnboardingState& state, Localizer* localizer = nullptr) {
        view.reset();
        context.l10n = localizer ? localizer : l10n.get();
        view = std::make_unique<OnboardingView>(context, state, recorded.actions());
        view->resize(460, 700);
        return *view;
    }
    void showActive() {
        view->show();
        view->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(view.get()));
    }
    template <class T = QWidget> T* find(const QString& name) { return findOne<T>(view.get(), name); }
    QString text(const QString& name) {
        QWidget* widget = find(name);
        if (auto* button = qobject_cast<QAbstractButton*>(widget)) return button->text();
        if (auto* label = qobject_cast<QLabel*>(widget)) return label->text();
        return {};
    }
    void click(const QString& name) {
        if (auto* button = find<QAbstractButton>(name)) button->click();
    }
    QString en(const QString& key) { return l10n->tr(key); }
    // Laid out first, so the scroll area knows whether it needs its bar.
    void render(QWidget& widget, const QString& name) {
        widget.show();
        QCoreApplication::sendPostedEvents();
        EXPECT_GT(QFileInfo(test::renderToPng(widget, name)).size(), 0) << name.toStdString();
    }

    std::unique_ptr<Localizer> l10n = test::repositoryLocalizer("en");
    AppearanceSource source;
    test::RecordingAnnouncer announcer;
    ViewContext context{l10n.get(), &source, &announcer, nullptr};
    test::RecordedActions recorded;
    std::unique_ptr<OnboardingView> view;
};

TEST_F(OnboardingViewTest, EveryPageShowsItsControls) {
    const struct {
        OnboardingState state;
        QStringList names;
    } pages[] = {
        {at(0,
            [](auto& s) {
                s.limits = {85, 90}, s.selectedLimit.reset(), s.requiresLimitSelection = true;
            }),
         {"onboarding.phaseHeader", "onboarding.heading", "onboarding.habit.desk", "onboarding.habit.mobile",
          "onboarding.availableLimits", "onboarding.chargeSkip", "onboarding.later", "onboarding.next"}},
        {at(0, [](auto& s) { s.hardwareKnown = false; }), {"onboarding.heading", "onboarding.recheck"}},
        {at(1), {"onboarding.task.none", "onboarding.task.open", "onboarding.task.lid", "onboarding.back"}},
        {at(2,
            [](auto& s) {
                s.helperState = HelperReadiness::unavailable(), s.record.helper = SetupDecision::skipped;
            }),
         {"onboarding.heading", "onboarding.installHelper", "onboarding.recheck", "onboarding.loginSettings",
          "onboarding.skipHelper"}},
        {at(3),
         {"onboarding.enableLogin", "onboarding.skipLogin", "onboarding.allowNotification",
          "onboarding.skipNotification", "onboarding.recheck"}},
        {at(3,
            [](auto& s) {
                s.record.reminder = ReminderIntent::enabled, s.notificationState = "notification.ready";
            }),
         {"onboarding.testNotification"}},
        {at(4,
            [](auto& s) {
                s.record.task = OnboardingTask::open;
                s.helperResolved = s.loginResolved = s.notificationResolved = false;
            }),
         {"onboarding.heading", "onboarding.repairHelper", "onboarding.repairLogin",
          "onboarding.repairNotification", "onboarding.rememberNetwork", "onboarding.repairPreparation"}},
        {at(4, [](auto& s) { s.requiresLimitSelection = true; }), {"onboarding.repairLimit"}},
        {at(4,
            [](auto& s) { s.record.task = OnboardingTask::open, s.record.ordinary = SetupResult::failed; }),
         {"onboarding.ordinaryResult", "stop-keep-awake", "onboarding.next"}},
        {at(4, [](auto& s) { s.hasStopResult = s.record.stopPending = true; }),
         {"onboarding.currentStopStatus", "retry-stop-keep-awake"}},
        {at(5, [](auto& s) { s.record.task = OnboardingTask::lid; }),
         {"onboarding.heading", "onboarding.chargeResult", "onboarding.ordinaryResult",
          "onboarding.lidResult", "onboarding.finish"}},
        {at(5, [](auto& s) { s.stopNeedsRetry = s.hasStopResult = s.record.stopPending = true; }),
         {"onboarding.heading", "onboarding.currentStopStatus", "onboarding.finish", "onboarding.retryStop"}},
    };
    for (const auto& p : pages) {
        make(p.state);
        for (const QString& name : p.names)
            EXPECT_TRUE(find(name)) << "step " << p.state.record.step << ": " << name.toStdString();
    }
    // The names that are absent where the rules say so.
    make(at(0));
    for (const char* name : {"onboarding.back", "onboarding.availableLimits", "onboarding.retryStorage"})
        EXPECT_TRUE(findVisible(view.get(), name).isEmpty()) << name;
    make(at(5));
    for (const char* name :
         {"onboarding.phaseHeader", "onboarding.later", "onboarding.next", "onboarding.retryStop"})
        EXPECT_TRUE(findVisible(view.get(), name).isEmpty()) << name;
}

// A choice reads as one of several, never a check box; each "Not Now" says which question it
// answers.
TEST_F(OnboardingViewTest, EachControlReadsAsWhatItIs) {
    make(at(0)).show();
    EXPECT_EQ(test::readAs(*view, "onboarding.habit.desk"), test::radioButton(en("onboarding.desk"), true));
    make(at(3)).show();
    EXPECT_EQ(std::get<1>(test::readAs(*view, "onboarding.skipLogin")), "Not Now, don't open at login");
    EXPECT_EQ(std::get<1>(test::readAs(*view, "onboarding.skipNotification")),
              "Not Now, no low-battery reminder");
}

TEST_F(OnboardingViewTest, StepOutOfRangeIsShownClamped) {
    make(at(-1));
    EXPECT_EQ(view->currentPage(), find<QWidget>("onboarding.habit.desk")->parentWidget());
    EXPECT_TRUE(find("onboarding.phaseHeader"));
    // A page given more height than it asks for keeps its cards at their own height.
    view->show();
    QWidget* page = view->currentPage();
    QWidget* card = find("onboarding.habit.desk");
    const int natural = card->height();
    page->resize(page->width(), page->height() + 200);
    page->layout()->activate();
    EXPECT_EQ(card->height(), natural);
    make(at(7));
    EXPECT_TRUE(findVisible(view.get(), "onboarding.phaseHeader").isEmpty());
    EXPECT_EQ(text("onboarding.heading"), en("onboarding.chargeStarted"));
    EXPECT_TRUE(find("onboarding.finish"));
    EXPECT_TRUE(findVisible(view.get(), "onboarding.next").isEmpty());
}

TEST_F(OnboardingViewTest, TextsFollowTheLanguage) {
    for (const char* language : {"en", "ja"}) {
        SCOPED_TRACE(language);
        auto localizer = test::repositoryLocalizer(language);
        const auto tr = [&](const char* key) { return localizer->tr(key); };
        make(at(2), localizer.get());
        EXPECT_EQ(view->phaseHeader()->titles(),
                  QStringList({tr("onboarding.phase.choose"), tr("onboarding.phase.prepare"),
                               tr("onboarding.phase.apply")}));
        EXPECT_EQ(view->phaseHeader()->accessibleName(), localizer->tr("onboarding.phaseLabel", 2, 3));
        EXPECT_EQ(text("onboarding.heading"), tr("onboarding.helperTitle"));
        EXPECT_EQ(text("onboarding.installHelper"), tr("onboarding.installHelper"));
        EXPECT_EQ(text("onboarding.next"), tr("onboarding.next"));
        EXPECT_EQ(text("onboarding.later"), tr("onboarding.later"));

        make(at(5, [](auto& s) { s.record.charge = SetupResult::confirmed; }), localizer.get());
        EXPECT_EQ(text("onboarding.heading"), tr("onboarding.chargeStarted"));
        EXPECT_EQ(find("onboarding.chargeResult")->findChildren<QLabel*>().last()->text(),
                  tr("onboarding.result.confirmed"));
        view->sync(at(5, [](auto& s) {
            s.hasStopResult = s.stopNeedsRetry = true, s.taskStopStatus = "onboarding.stopPartial";
            s.ordinaryResultKey = "onboarding.stopConfirmed";
        }));
        EXPECT_EQ(text("onboarding.heading"), tr("onboarding.stopTask"));
        EXPECT_EQ(text("retry-stop-keep-awake"), tr("onboarding.retryStop"));
        const QList<QLabel*> stop = find("onboarding.currentStopStatus")->findChildren<QLabel*>();
        const auto shows = [&](const char* key) {
            return std::any_of(stop.begin(), stop.end(), [&](QLabel* l) { return l->text() == tr(key); });
        };
        EXPECT_TRUE(shows("onboarding.stopConfirmed") && shows("onboarding.stopPartial"));
        view.reset();
    }
    // A language change re-translates what is shown.
    make(at(0));
    l10n->setLanguage("ja");
    EXPECT_EQ(text("onboarding.heading"), l10n->tr("onboarding.habitTitle"));
}

TEST_F(OnboardingViewTest, ControlsCallTheirActions) {
    const auto lidTask = [](auto& s) { s.record.task = OnboardingTask::lid; };
    const struct {
        OnboardingState state;
        const char* control;
        QStringList calls;
    } rows[] = {
        {at(0), "onboarding.habit.mobile", {"chooseHabit(mobile)"}},
        {at(0), "onboarding.chargeSkip", {"chooseHabit(unchanged)", "next()"}},
        {at(0), "onboarding.next", {"next()"}},
        {at(0), "onboarding.later", {"close()"}},
        {at(1), "onboarding.task.lid", {"chooseTask(lid)"}},
        {at(1), "onboarding.back", {"back()"}},
        {at(2), "onboarding.installHelper", {"installHelper()"}},
        {at(2), "onboarding.recheck", {"refresh()"}},
        {at(2), "onboarding.skipHelper", {"skipHelper(false)"}},
        {at(2, lidTask), "onboarding.skipHelper", {}}, // asks first
        {at(2, [](auto& s) { s.helperState = HelperReadiness::unavailable(); }),
         "onboarding.loginSettings",
         {"openSettings(false)"}},
        {at(3, [](auto& s) { s.loginState = "login.requiresApproval"; }),
         "onboarding.enableLogin",
         {"openSettings(false)"}},
        {at(3), "onboarding.enableLogin", {"chooseLogin(true)"}},
        {at(3,
            [](auto& s) {
                s.record.login = SetupDecision::skipped, s.loginState = "login.requiresApproval";
            }),
         "onboarding.enableLogin",
         {"chooseLogin(true)"}},
        {at(3), "onboarding.skipLogin", {"chooseLogin(false)"}},
        {at(3, [](auto& s) { s.notificationState = "notification.denied"; }),
         "onboarding.notificationSettings",
         {"openSettings(true)"}},
        {at(3), "onboarding.allowNotification", {"chooseReminder(true)"}},
        {at(3), "onboarding.skipNotification", {"chooseReminder(false)"}},
        {at(3,
            [](auto& s) {
                s.record.reminder = ReminderIntent::enabled, s.notificationState = "notification.ready";
            }),
         "onboarding.testNotification",
         {"testNotification()"}},
        {at(4), "onboarding.next", {"apply()"}},
        {at(4, [](auto& s) { s.stopNeedsRetry = true; }), "onboarding.next", {"restoreSystemDefaults()"}},
        {at(4, [](auto& s) { s.helperResolved = false; }),
         "onboarding.repairHelper",
         {"returnToPreparation(2)"}},
        {at(4, [](auto& s) { s.notificationResolved = false; }),
         "onboarding.repairNotification",
         {"returnToPreparation(3)"}},
        {at(4, [](auto& s) { s.loginResolved = false; }),
         "onboarding.repairPreparation",
         {"returnToPreparation(none)"}},
        {at(4, [](auto& s) { s.requiresLimitSelection = true; }),
         "onboarding.repairLimit",
         {"returnToLimitSelection()"}},
        {at(4, [](auto& s) { s.requiresLimitSelection = true, s.record.charge = SetupResult::failed; }),
         "onboarding.repairLimit",
         {"keepCurrentChargeSetup()"}},
        {at(4, [](auto& s) { s.record.task = OnboardingTask::open; }),
         "onboarding.rememberNetwork",
         {"rememberNetwork()"}},
        {at(4, [](auto& s) { s.hasStopResult = true, s.taskStopStatus = "onboarding.stopped"; }),
         "stop-keep-awake",
         {"restoreSystemDefaults()"}},
        {at(5), "onboarding.finish", {"openPanel()"}},
        {at(5, [](auto& s) { s.stopNeedsRetry = true; }),
         "onboarding.retryStop",
         {"restoreSystemDefaults()"}},
        {at(5, [](auto& s) { s.storageError = "onboarding.storageFailed"; }),
         "onboarding.retryStorage",
         {"retryStorage()"}},
    };
    for (const auto& r : rows) {
        make(r.state);
        recorded.calls.clear();
        click(r.control);
        EXPECT_EQ(recorded.calls, r.calls) << "step " << r.state.record.step << ": " << r.control;
    }
}

TEST_F(OnboardingViewTest, LimitPickerPassesTheNumberAndShowsTheRecordedLimit) {
    make(at(0, [](auto& s) {
        s.limits = {85, 90}, s.selectedLimit.reset(), s.requiresLimitSelection = true;
    }));
    auto* picker = find<QComboBox>("onboarding.availableLimits");
    ASSERT_TRUE(picker);
    EXPECT_EQ(picker->accessibleName(), en("onboarding.availableLimits"));
    ASSERT_EQ(picker->count(), 3);
    EXPECT_EQ(picker->itemText(0), en("onboarding.chooseAvailableLimit"));
    EXPECT_EQ(picker->itemText(1), "85%");
    EXPECT_EQ(picker->currentIndex(), 0);

    emit picker->activated(1);
    EXPECT_EQ(recorded.calls, QStringList{"chooseLimit(85)"});
    EXPECT_EQ(picker->currentIndex(), 0) << "nothing recorded yet: the box keeps the recorded state";
    emit picker->activated(0);
    EXPECT_EQ(recorded.calls.size(), 1) << "the empty entry does nothing";
    view->sync(at(0, [](auto& s) { s.limits = {85, 90}, s.selectedLimit = 90; }));
    EXPECT_EQ(picker->currentText(), "90%");

    // Its caption is on show; a wheel turned over it scrolls the page and chooses nothing.
    const QList<QLabel*> captions = view->findChildren<QLabel*>();
    EXPECT_TRUE(std::any_of(captions.begin(), captions.end(), [&](const QLabel* label) {
        return label->buddy() == picker && label->isVisibleTo(view.get()) &&
               label->text() == en("onboarding.availableLimits");
    }));
    recorded.calls.clear();
    const QPointF middle = QRectF(picker->rect()).center();
    QWheelEvent wheel(middle, picker->mapToGlobal(middle), {}, {0, 120}, Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(picker, &wheel);
    EXPECT_EQ(recorded.calls, QStringList());
    EXPECT_EQ(picker->currentText(), "90%");
}

TEST_F(OnboardingViewTest, EnabledRules) {
    const auto locked = [this](const OnboardingState& s) {
        make(s);
        auto* card = find<QAbstractButton>("onboarding.habit.desk");
        return std::pair(card->isEnabled(), card->isChecked());
    };
    EXPECT_EQ(locked(at(0)), std::pair(true, true));
    EXPECT_EQ(locked(at(0, [](auto& s) { s.busy = true; })), std::pair(false, true));
    EXPECT_EQ(locked(at(0, [](auto& s) { s.record.ordinary = SetupResult::failed; })),
              std::pair(false, true));

    const struct {
        OnboardingState state;
        const char* control;
        bool enabled;
    } rows[] = {
        {at(2, [](auto& s) { s.checking = true; }), "onboarding.installHelper", false},
        {at(2, [](auto& s) { s.storageError = "onboarding.storageFailed"; }), "onboarding.installHelper",
         false},
        {at(2, [](auto& s) { s.storageError = "onboarding.storageFailed"; }), "onboarding.recheck", true},
        {at(2, [](auto& s) { s.checking = true; }), "onboarding.recheck", false},
        {at(2, [](auto& s) { s.checking = true; }), "onboarding.skipHelper", true},
        {at(2, [](auto& s) { s.busy = true, s.helperState = HelperReadiness::unavailable(); }),
         "onboarding.loginSettings", true},
        {at(3, [](auto& s) { s.busy = true; }), "onboarding.enableLogin", false},
        {at(3, [](auto& s) { s.storageError = "onboarding.storageFailed"; }), "onboarding.skipLogin", false},
        {at(3), "onboarding.allowNotification", true},
        {at(0, [](auto& s) { s.canAdvance = false; }), "onboarding.next", false},
        {at(0, [](auto& s) { s.hardwareKnown = false, s.checking = true; }), "onboarding.recheck", false},
        {at(4, [](auto& s) { s.record.task = OnboardingTask::open, s.networkAvailable = false; }),
         "onboarding.rememberNetwork", false},
        {at(4, [](auto& s) { s.helperResolved = false, s.checking = true; }), "onboarding.repairHelper",
         false},
        {at(5, [](auto& s) { s.taskStopBusy = true; }), "onboarding.retryStop", false},
        {at(0, [](auto& s) { s.busy = true; }), "onboarding.later", true},
    };
    for (const auto& r : rows) {
        make(r.state);
        QWidget* control = find(r.control);
        ASSERT_TRUE(control) << r.control;
        EXPECT_EQ(control->isEnabled(), r.enabled) << "step " << r.state.record.step << ": " << r.control;
    }
}

TEST_F(OnboardingViewTest, DowngradeAlertIsAskedAndOperableFromTheKeyboard) {
    for (const auto& [key, calls] : {std::pair(Qt::Key_Return, QStringList{"skipHelper(true)"}),
                                     std::pair(Qt::Key_Escape, QStringList{})}) {
        make(at(2, [](auto& s) { s.record.task = OnboardingTask::lid; }));
        recorded.calls.clear();
        showActive();
        EXPECT_EQ(text("onboarding.skipHelper"), en("onboarding.downgrade"));
        click("onboarding.skipHelper");
        QMessageBox* alert = view->downgradeAlert();
        ASSERT_TRUE(alert);
        EXPECT_EQ(alert->objectName(), "onboarding.downgradeAlert");
        EXPECT_EQ(alert->windowModality(), Qt::WindowModal);
        EXPECT_EQ(alert->text(), en("onboarding.downgradeTitle"));
        EXPECT_EQ(alert->buttonRole(alert->defaultButton()), QMessageBox::AcceptRole);
        recorded.calls.removeAll("refresh()");
        EXPECT_TRUE(recorded.calls.isEmpty());
        QTest::keyClick(alert, key);
        EXPECT_EQ(recorded.calls, calls);
        EXPECT_FALSE(view->downgradeAlert());
    }
}

TEST_F(OnboardingViewTest, ShowingAwaitsRefreshThenFocusesTheRecordedChoice) {
    make(at(0, [](auto& s) { s.record.habit = OnboardingHabit::mobile; }));
    showActive();
    auto* mobile = find("onboarding.habit.mobile");
    runUntil([&] { return !recorded.calls.isEmpty(); });
    EXPECT_EQ(recorded.calls, QStringList{"refresh()"});
    EXPECT_NE(QApplication::focusWidget(), mobile);
    recorded.refreshGate->open();
    EXPECT_TRUE(runUntil([&] { return QApplication::focusWidget() == mobile; }));
}

TEST_F(OnboardingViewTest, AHiddenWindowsRefreshDoesNothingWhenItEnds) {
    make(at(0, [](auto& s) { s.record.habit = OnboardingHabit::mobile; }));
    showActive();
    runUntil([&] { return recorded.calls.contains("refresh()"); });
    view->hide();
    recorded.refreshGate->open();
    spinEventLoop(std::chrono::milliseconds(50));
    // A focus set now would be the window's focus child, taken up when it is shown again.
    EXPECT_NE(view->focusWidget(), find("onboarding.habit.mobile"));
}

// After a step change a screen reader hears the new page's heading first: it reads only the last of
// the focus reports that come together, and reads the page (named by its heading) before a control
// on it. Keyboard focus goes to the recorded choice, else to no control, and Tab starts on the page;
// the Return that turned the page presses nothing on the new one.
TEST_F(OnboardingViewTest, AStepChangeIsHeardByItsHeadingFirstAndMovesKeyboardFocus) {
    auto clock = std::make_shared<test::ManualClock>();
    KeySettle keys(clock);
    const Change lid = [](auto& s) { s.record.task = OnboardingTask::lid; };
    const struct {
        std::int64_t from, to;
        const char* focusedBefore;
        const char* focused; // none: no control, the page itself is reported
    } rows[] = {
        {0, 1, "onboarding.habit.desk", "onboarding.task.lid"},
        {1, 2, "onboarding.task.lid", nullptr},
        {2, 3, "onboarding.installHelper", nullptr},
        {3, 4, "onboarding.enableLogin", nullptr},
        {3, 4, "onboarding.next", nullptr},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << row.from << " to " << row.to << " from " << row.focusedBefore);
        make(at(row.from, lid));
        showActive();
        clock->advance(KeySettle::kSeconds);
        find(row.focusedBefore)->setFocus(Qt::TabFocusReason);
        test::AccessibleEventLog log;
        view->sync(at(row.to, lid));
        QTest::keyClick(view.get(), Qt::Key_Return);
        const QObject* heard = nullptr;
        for (const auto& [object, type] : log.events)
            if (type == QAccessible::Focus) heard = object;
        QWidget* page = view->currentPage();
        const QAccessibleInterface* face = QAccessible::queryAccessibleInterface(page);
        EXPECT_EQ(face->role(), QAccessible::PageTab);
        EXPECT_EQ(face->text(QAccessible::Name), findOne<QLabel>(page, "onboarding.heading")->text());
        EXPECT_EQ(heard, row.focused ? find(row.focused) : page);
        EXPECT_EQ(QApplication::focusWidget(), row.focused ? find(row.focused) : nullptr);
        if (row.focused) continue;
        QTest::keyClick(view.get(), Qt::Key_Tab);
        EXPECT_TRUE(page->isAncestorOf(QApplication::focusWidget()));
    }
    recorded.calls.removeAll("refresh()");
    EXPECT_EQ(recorded.calls, QStringList());
    test::AccessibleEventLog log;
    view->sync(at(4, [&](auto& s) { lid(s), s.checking = true; }));
    EXPECT_EQ(log.count(QAccessible::Focus), 0) << "a refresh of the same step moves nothing";
}

// A control whose work disables it (the continuity page's controls, not the page: each widget's
// state would flood a screen reader) keeps focus on no control, then has it back. Gone at the work's
// end, while the wizard is still busy, it leaves focus on no control: the controls beside it stood
// there all along. A refused "Allow Notifications" gives way to a control of its own that takes the
// focus and says the state it acts on (a screen reader reads no label changed under the focus).
TEST_F(OnboardingViewTest, AControlKeepsKeyboardFocusWhileItsWorkRuns) {
    const Change ready = [](auto& s) {
        s.record.reminder = ReminderIntent::enabled, s.notificationState = "notification.ready";
    };
    const Change open = [](auto& s) { s.record.task = OnboardingTask::open; };
    const Change refused = [](auto& s) {
        s.record.reminder = ReminderIntent::disabled, s.notificationState = "notification.denied";
    };
    const std::tuple<std::int64_t, Change, const char*, Change, const char*> cases[] = {
        {3, ready, "onboarding.testNotification", ready, "onboarding.testNotification"},
        {3, {}, "onboarding.skipNotification", [](auto& s) { s.record.reminder = ReminderIntent::disabled; },
         nullptr},
        {3, {}, "onboarding.skipLogin", [](auto& s) { s.record.login = SetupDecision::skipped; }, nullptr},
        {3, {}, "onboarding.allowNotification", ready, nullptr},
        {3, {}, "onboarding.allowNotification", refused, "onboarding.notificationSettings"},
        {2, {}, "onboarding.recheck", [](auto& s) { s.helperReady = s.helperResolved = true; }, nullptr},
        {4, open, "onboarding.rememberNetwork", [&](auto& s) { open(s), s.networkRemembered = true; },
         nullptr}};
    for (const auto& [step, before, pressed, after, lands] : cases) {
        make(at(step, before));
        showActive();
        find(pressed)->setFocus(Qt::TabFocusReason);
        test::AccessibleEventLog log;
        view->sync(at(step, [&](auto& s) { before ? before(s) : void(), s.busy = true; }));
        const QWidget* waiting = QApplication::focusWidget();
        EXPECT_TRUE(waiting && !(waiting->focusPolicy() & Qt::TabFocus)) << pressed;
        view->sync(at(step, [&](auto& s) { after(s), s.busy = true; }));
        view->sync(at(step, after));
        const QWidget* focused = QApplication::focusWidget();
        EXPECT_TRUE(lands ? focused == find(lands) : test::noControl(focused)) << pressed;
        EXPECT_TRUE(!lands || !focused->accessibleDescription().isEmpty()) << pressed;
        for (const auto& [object, type] : log.events)
            EXPECT_FALSE(type == QAccessible::StateChanged && !qobject_cast<const QAbstractButton*>(object));
    }
}

TEST_F(OnboardingViewTest, NewErrorsAreAnnouncedOnce) {
    make(at(0, [](auto& s) { s.error = "onboarding.busy"; }));
    EXPECT_TRUE(announcer.texts.isEmpty()) << "what stood there at the start is not news";
    const std::optional<QString> steps[] = {"onboarding.installFailed", "onboarding.installFailed",
                                            std::nullopt, "onboarding.installFailed"};
    for (const auto& error : steps)
        view->sync(at(0, [&](auto& s) { s.error = error; }));
    view->sync(at(0, [](auto& s) { s.storageError = "onboarding.storageFailed"; }));
    EXPECT_EQ(announcer.texts, QStringList({en("onboarding.installFailed"), en("onboarding.installFailed"),
                                            en("onboarding.storageFailed")}));
}

TEST_F(OnboardingViewTest, KeyboardOnly) {
    // Tab reaches every control of each page.
    for (std::int64_t step : {0, 1, 2, 3, 4, 5}) {
        make(at(step, [](auto& s) { s.record.task = OnboardingTask::open, s.helperResolved = false; }));
        const QList<QWidget*> order = test::tabOrder(*view);
        for (QWidget* w : view->findChildren<QWidget*>()) {
            if (w->isVisible() && w->isEnabled() && (w->focusPolicy() & Qt::TabFocus) &&
                w->objectName() != "") {
                EXPECT_TRUE(order.contains(w)) << "step " << step << ": " << w->objectName().toStdString();
            }
        }
    }

    // Arrow keys choose between cards; Space activates a card.
    make(at(0));
    showActive();
    recorded.calls.clear();
    auto* desk = find("onboarding.habit.desk");
    desk->setFocus();
    QTest::keyClick(desk, Qt::Key_Up);
    QTest::keyClick(desk, Qt::Key_Down);
    QTest::keyClick(desk, Qt::Key_Space);
    QTest::keyClick(find("onboarding.habit.mobile"), Qt::Key_Left);
    EXPECT_EQ(recorded.calls, QStringList({"chooseHabit(mobile)", "chooseHabit(desk)", "chooseHabit(desk)"}));

    make(at(1, [](auto& s) { s.record.task = OnboardingTask::open; }));
    showActive();
    recorded.calls.clear();
    QTest::keyClick(find("onboarding.task.open"), Qt::Key_Right);
    QTest::keyClick(find("onboarding.task.open"), Qt::Key_Up); // from lid: no sync came between
    EXPECT_EQ(recorded.calls, QStringList({"chooseTask(lid)", "chooseTask(open)"}));
    view->sync(at(1, [](auto& s) { s.record.task = OnboardingTask::lid, s.hasLid = false; }));
    recorded.calls.clear();
    QTest::keyClick(find("onboarding.task.open"), Qt::Key_Down);
    EXPECT_TRUE(recorded.calls.isEmpty()) << "a recorded lid task without a lid: arrows do nothing";

    // Return presses the main button only while it is enabled.
    make(at(0, [](auto& s) { s.canAdvance = false; }));
    showActive();
    recorded.calls.clear();
    QTest::keyClick(view.get(), Qt::Key_Return);
    EXPECT_TRUE(recorded.calls.isEmpty());
    view->sync(at(0));
    QTest::keyClick(view.get(), Qt::Key_Return);
    QTest::keyClick(view.get(), Qt::Key_Enter);
    EXPECT_EQ(recorded.calls, QStringList({"next()", "next()"}));
    view->sync(at(4, [](auto& s) { s.requiresLimitSelection = true; }));
    recorded.calls.clear();
    QTest::keyClick(view.get(), Qt::Key_Return);
    EXPECT_TRUE(recorded.calls.isEmpty()) << "the repair buttons have no shortcut";
    view->sync(at(5));
    QTest::keyClick(view.get(), Qt::Key_Return);
    view->sync(at(5, [](auto& s) { s.stopNeedsRetry = true; }));
    QTest::keyClick(view.get(), Qt::Key_Return);
    EXPECT_EQ(recorded.calls, QStringList({"openPanel()", "restoreSystemDefaults()"})) << "the last page";
}

// Keyboard focus is seen on every kind of button: a ring round its edge, apart from a filled
// button's fill (a ring in the fill's own colour would not be seen).
TEST_F(OnboardingViewTest, EveryButtonShowsKeyboardFocus) {
    const std::pair<std::int64_t, const char*> buttons[] = {
        {0, "onboarding.later"}, {0, "onboarding.chargeSkip"}, {0, "onboarding.next"}, {1, "onboarding.back"}};
    for (const auto& [step, name] : buttons) {
        make(at(step));
        showActive();
        QWidget* button = find(name);
        ASSERT_TRUE(button) << name;
        find(step == 0 ? "onboarding.habit.desk" : "onboarding.task.none")->setFocus();
        const QImage before = button->grab().toImage();
        button->setFocus(Qt::TabFocusReason);
        const QImage focused = button->grab().toImage();
        int changed = 0;
        for (int y = 0; y < focused.height(); ++y)
            for (int x = 0; x < focused.width(); ++x)
                changed += test::contrast(focused.pixel(x, y), before.pixel(x, y)) >= 1.5;
        EXPECT_GE(changed, button->width()) << name;
    }
    // Between the ring and the fill lies the window.
    find("onboarding.next")->setFocus();
    const QImage next = find("onboarding.next")->grab().toImage();
    EXPECT_EQ(next.pixelColor(next.width() / 2, 2).rgb(), view->palette().color(QPalette::Window).rgb());
}

TEST_F(OnboardingViewTest, RefreshKeepsWidgetsFocusAndAnOpenPicker) {
    make(at(0, [](auto& s) {
        s.limits = {85, 90}, s.selectedLimit.reset(), s.requiresLimitSelection = true;
    }));
    showActive();
    auto* desk = find("onboarding.habit.desk");
    desk->setFocus();
    auto* picker = find<QComboBox>("onboarding.availableLimits");
    picker->showPopup();
    ASSERT_TRUE(picker->view()->isVisible());
    const QList<QWidget*> before = view->currentPage()->findChildren<QWidget*>();
    test::AccessibleEventLog log;
    view->sync(at(0, [](auto& s) {
        s.limits = {85, 90}, s.selectedLimit.reset(), s.requiresLimitSelection = true, s.checking = true;
    }));
    EXPECT_EQ(view->currentPage()->findChildren<QWidget*>(), before);
    EXPECT_EQ(log.renames(), 0) << "the refresh changed no text";
    EXPECT_TRUE(picker->view()->isVisible());
    picker->hidePopup();
    EXPECT_TRUE(desk->hasFocus());
}

TEST_F(OnboardingViewTest, MenuWelcome) {
    OnboardingMenuView menu(context, at(0), recorded.actions());
    EXPECT_EQ(menu.minimumWidth(), 340);
    EXPECT_EQ(menu.maximumWidth(), 340);
    auto* stop = findOne<QPushButton>(&menu, "stop-keep-awake");
    ASSERT_TRUE(stop);
    EXPECT_EQ(stop->text(), en("onboarding.stopTask"));
    EXPECT_TRUE(stop->isEnabled());
    const int idleHeight = menu.sizeHint().height();

    findOne<QPushButton>(&menu, "onboarding.continueSetup")->click();
    stop->click();
    EXPECT_EQ(recorded.calls, QStringList({"postShowOnboarding()", "restoreSystemDefaults()"}));

    menu.sync(at(0, [](auto& s) {
        s.taskStopBusy = true, s.taskStopStatus = "onboarding.stopping",
        s.hasStopResult = s.record.stopPending = true;
    }));
    stop = findOne<QPushButton>(&menu, "retry-stop-keep-awake");
    ASSERT_TRUE(stop);
    EXPECT_EQ(stop->text(), en("onboarding.stopping"));
    EXPECT_FALSE(stop->isEnabled());
    QCoreApplication::sendPostedEvents();
    EXPECT_GT(menu.sizeHint().height(), idleHeight);
    EXPECT_EQ(menu.width(), 340);
}

TEST_F(OnboardingViewTest, RecoveryOnlyTaskStopTakesNoSpaceUntilNeeded) {
    PageEnv env{context, recorded.actions(), {}, {}};
    QWidget host;
    auto* layout = new QVBoxLayout(&host);
    auto* stop = new TaskStopView(env, true);
    layout->addWidget(stop);
    stop->sync(at(5));
    EXPECT_FALSE(stop->isVisibleTo(&host));
    stop->sync(
        at(5, [](auto& s) { s.taskStopStatus = "onboarding.stopSaveFailed", s.stopNeedsRetry = true; }));
    EXPECT_TRUE(stop->isVisibleTo(&host));
    EXPECT_EQ(stop->button()->objectName(), "retry-stop-keep-awake");
    EXPECT_EQ(stop->button()->toolTip(), en("display.restoreHelp"));
}

// A page that fits does not scroll, however tall the pages shown before it (hidden now, they ask
// for no room), and the window reopens on it at its top though it was left scrolled down.
TEST_F(OnboardingViewTest, APageThatFitsDoesNotScroll) {
    auto spanish = test::repositoryLocalizer("es"); // the longest texts
    make(pageState("confirmation"), spanish.get()).resize(480, 600);
    view->show();
    QScrollBar* bar = view->findChild<QScrollArea*>()->verticalScrollBar();
    ASSERT_TRUE(runUntil([&] { return bar->maximum() > 0; })) << "taller than the window";
    bar->setValue(bar->maximum());
    view->hide();
    view->sync(pageState("task"));
    view->show();
    EXPECT_TRUE(runUntil([&] { return bar->maximum() == 0; }, std::chrono::seconds(2)))
        << "scrolls by " << bar->maximum();
}

TEST_F(OnboardingViewTest, RendersEveryPageInBothThemesLightAndDark) {
    for (const QString page : {"habit", "task", "helper", "continuity", "confirmation", "completion"}) {
        for (BriselTheme theme : allBriselThemes) {
            for (bool dark : {false, true}) {
                test::ScopedScheme scheme(dark);
                OnboardingState state = pageState(page);
                state.activeTheme = theme;
                source.setTheme(theme);
                make(state).resize(460, 760);
                render(*view,
                       QString("onboarding-%1-%2-%3")
                           .arg(page, QString::fromUtf8(toString(theme).data()), dark ? "dark" : "light"));
            }
        }
    }
}

TEST_F(OnboardingViewTest, RendersErrorsAndARunningStop) {
    test::ScopedScheme scheme(false);
    OnboardingState state = pageState("confirmation");
    state.storageError = "onboarding.storageFailed";
    state.error = "onboarding.installFailed";
    state.checking = true;
    make(state).resize(460, 760);
    render(*view, "onboarding-confirmation-errors-liquidGlass-light");

    state = pageState("completion");
    state.taskStopBusy = true;
    state.taskStopStatus = "onboarding.stopping";
    state.taskStopOrdinary = state.taskStopDisplay = SetupResult::requested;
    state.ordinaryResultKey = "onboarding.stopping";
    state.lidResultKey = "onboarding.stopUnconfirmed";
    state.hasStopResult = state.record.stopPending = true;
    BriselPanelBackdrop popup(context);
    auto* column = new QVBoxLayout(&popup);
    column->setContentsMargins(0, 0, 0, 0);
    column->addWidget(new OnboardingMenuView(context, state, recorded.actions()));
    popup.adjustSize();
    render(popup, "onboarding-menu-stopping-liquidGlass-light");
}

} // namespace
} // namespace brisel

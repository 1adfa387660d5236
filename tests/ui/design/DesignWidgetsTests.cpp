#include "ManualClock.h"
#include "UiTestSupport.h"

#include "ui/design/AppearanceSource.h"
#include "ui/design/BriselAccessibleWidget.h"
#include "ui/design/BriselColors.h"
#include "ui/design/BriselErrorBanner.h"
#include "ui/design/BriselSymbolButton.h"
#include "ui/design/BriselToggleRow.h"
#include "ui/design/FocusKeeper.h"
#include "ui/design/KeySettle.h"
#include "ui/design/QtAnnouncer.h"
#include "ui/design/SectionCard.h"
#include "ui/design/ShownSync.h"
#include "ui/design/SymbolView.h"

#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>

namespace brisel {
namespace {

using test::findOne;
using test::findVisible;

class DesignWidgetTest : public ::testing::Test {
protected:
    void SetUp() override { AnimatedValue::setInstantMotion(true); }
    void TearDown() override { AnimatedValue::setInstantMotion(false); }

    test::ScopedScheme scheme{false};
    AppearanceSource source;
    test::RecordingAnnouncer announcer;
    test::CountingHaptics haptics;
    ViewContext context{nullptr, &source, &announcer, &haptics};
};

// ---- error banner ----------------------------------------------------------------------------

TEST_F(DesignWidgetTest, ErrorBannerShowsADismissButtonOnlyWhileItHasAnAction) {
    BriselErrorBanner banner(context);
    banner.setMessage("The charge limit could not be set.");
    banner.show();
    const auto* message = findOne<QLabel>(&banner, "brisel-error-message");
    ASSERT_TRUE(message);
    EXPECT_EQ(message->text(), "The charge limit could not be set.");
    EXPECT_TRUE(findVisible(&banner, "dismiss-error").isEmpty());

    int dismissed = 0;
    banner.setDismiss([&] { ++dismissed; }, "Dismiss");
    auto* button = findOne<QAbstractButton>(&banner, "dismiss-error");
    ASSERT_TRUE(button);
    EXPECT_EQ(button->toolTip(), "Dismiss");
    EXPECT_EQ(button->accessibleName(), "Dismiss");
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_EQ(dismissed, 1);

    banner.setDismiss({}, "Dismiss");
    EXPECT_TRUE(findVisible(&banner, "dismiss-error").isEmpty());
}

TEST_F(DesignWidgetTest, ErrorBannerAnnouncesWhenShownAndWhenTheMessageChanges) {
    BriselErrorBanner banner(context);
    banner.setMessage("First");
    banner.setDismiss([] {}, "Dismiss");
    EXPECT_TRUE(announcer.texts.isEmpty());
    banner.show();
    banner.setMessage("First");
    banner.setDismissLabel("Close");
    EXPECT_EQ(announcer.texts, QStringList{"First"});
    banner.setMessage("Second");
    EXPECT_EQ(announcer.texts, (QStringList{"First", "Second"}));
}

TEST_F(DesignWidgetTest, ErrorBannerWrapsALongMessage) {
    BriselErrorBanner banner(context);
    banner.setMessage(QString("The helper did not answer in time. ").repeated(6));
    ASSERT_TRUE(banner.hasHeightForWidth());
    EXPECT_GT(banner.heightForWidth(160), banner.heightForWidth(4000));
}

// Changes while nobody sees the view are one sync when it is shown, and none when nothing changed.
TEST(ShownSyncTest, SyncsAVisibleViewAtOnceAndAHiddenOneOnceWhenShown) {
    QWidget window;
    auto* view = new QWidget(&window);
    int syncs = 0;
    auto* keeper = new ShownSync(*view, [&] { ++syncs; });
    keeper->changed();
    keeper->changed();
    EXPECT_EQ(syncs, 0);
    window.show();
    EXPECT_EQ(syncs, 1);
    keeper->changed();
    EXPECT_EQ(syncs, 2);

    view->hide();
    keeper->changed();
    EXPECT_EQ(syncs, 2);
    view->show();
    EXPECT_EQ(syncs, 3);
    window.hide();
    window.show();
    EXPECT_EQ(syncs, 3);
}

// ---- focus keeper ----------------------------------------------------------------------------

// A view that keeps focus as the windows' views do.
class KeepingView : public QWidget {
public:
    FocusKeeper* keeper = nullptr;
    bool focusNextPrevChild(bool next) override {
        return keeper->keep() || QWidget::focusNextPrevChild(next);
    }
};

// A disabled control is seen in the views' tests; here a hidden one, and Tab while it is away.
TEST(FocusKeeperTest, FocusWaitsWhereAHiddenControlStoodAndTabGoesOnFromThere) {
    KeepingView view;
    auto* row = new QHBoxLayout(&view);
    QWidget *a = new QPushButton("a"), *b = new QPushButton("b"), *c = new QPushButton("c");
    for (QWidget* button : {a, b, c})
        row->addWidget(button);
    view.keeper = new FocusKeeper(&view); // made after the controls, as the views make theirs
    view.show();
    view.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&view));
    b->setFocus(Qt::TabFocusReason);
    b->hide();
    b->show();
    EXPECT_EQ(QApplication::focusWidget(), b);
    for (const auto& [key, lands] : {std::pair{Qt::Key_Tab, c}, std::pair{Qt::Key_Backtab, a}}) {
        b->setFocus(Qt::TabFocusReason);
        b->hide();
        EXPECT_EQ(QApplication::focusWidget()->geometry(), b->geometry());
        QTest::keyClick(QApplication::focusWidget(), key);
        EXPECT_EQ(QApplication::focusWidget(), lands);
        b->show();
        EXPECT_EQ(QApplication::focusWidget(), lands) << "the user moved focus";
    }

    // Gone for good: focus goes to a control the new state newly shows in its place, once that
    // one's work ends. One that stood there all along is none (it is mostly the other answer):
    // focus rests on no control, and Tab goes on from the gone one's place.
    QWidget* d = new QPushButton("d");
    row->addWidget(d);
    d->hide();
    view.keeper->settle(); // the state before the work
    const auto gone = [&](QWidget* control) {
        control->setFocus(Qt::TabFocusReason);
        control->hide();
        view.keeper->settle();
    };
    gone(b);
    EXPECT_TRUE(test::noControl(QApplication::focusWidget()));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), c);
    d->setEnabled(false);
    d->show();
    gone(c);
    d->setEnabled(true);
    EXPECT_EQ(QApplication::focusWidget(), d);

    // A popup has the keyboard (a menu, another window's popup): work starting or ending here
    // leaves it there, and focus moves as the work asks once the popup closes.
    QWidget popup(nullptr, Qt::Popup);
    auto* inPopup = new QPushButton("in the popup", &popup);
    const auto whilePopupOpen = [&](const std::function<void()>& work) {
        popup.show();
        inPopup->setFocus(Qt::PopupFocusReason);
        work();
        EXPECT_EQ(QApplication::focusWidget(), inPopup);
        popup.hide();
        return QApplication::focusWidget();
    };
    a->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(whilePopupOpen([&] { a->setEnabled(false); })->geometry(), a->geometry()); // starts
    EXPECT_EQ(whilePopupOpen([&] { a->setEnabled(true); }), a);                          // ends
    view.keeper->settle(); // the state before the work: b is gone
    a->setEnabled(false);
    EXPECT_EQ(whilePopupOpen([&] { a->hide(), b->show(), view.keeper->settle(); }), b); // replaced
}

// Buttons a, b and c before the keeper, as the views make theirs.
struct ThreeButtons : KeepingView {
    ThreeButtons() { keeper = new FocusKeeper(this); }
    QWidget *a = new QPushButton("a", this), *b = new QPushButton("b", this), *c = new QPushButton("c", this);
};

// However a control went, focus rests where it stood on no control and Tab goes on from its place:
// also when the view cleared the focus from the spot before (a wizard page change) and no Tab has
// placed the spot in the chain, or when the control was hidden or disabled while its window was
// closed (Qt would hand its focus on down the chain, on activation or at once).
TEST(FocusKeeperTest, FocusRestsWhereAControlWentHoweverItWent) {
    const std::function<void(ThreeButtons&)> ways[] = {
        [](ThreeButtons& view) {
            view.a->setFocus(Qt::TabFocusReason);
            view.a->hide();
            QApplication::focusWidget()->clearFocus();
            view.a->show();
            view.b->setFocus(Qt::TabFocusReason);
            view.b->hide();
            view.keeper->settle();
        },
        [](ThreeButtons& view) { view.hide(), view.b->hide(); },
        [](ThreeButtons& view) { view.hide(), view.b->setEnabled(false); },
    };
    for (const auto& takeAway : ways) {
        ThreeButtons view;
        ASSERT_TRUE(test::showActive(view));
        view.b->setFocus(Qt::TabFocusReason);
        takeAway(view);
        ASSERT_TRUE(test::showActive(view));
        QApplication::setActiveWindow(&view); // offscreen, a window shown again is not made active
        ASSERT_TRUE(QApplication::focusWidget());
        EXPECT_FALSE(QApplication::focusWidget()->focusPolicy() & Qt::TabFocus);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget(), view.c);
    }
}

// Only what the key window (an open popup, else the active window) shows is said, once it has
// settled, each text once: a failure as it appears, after each new attempt and as its window opens
// again; not for a repeat, its view shown again, a failure gone or replaced meanwhile, a window behind.
TEST(QtAnnouncerTest, WhatTheKeyWindowShowsIsSaidOncePerAttempt) {
    test::AccessibleEventLog log;
    auto clock = std::make_shared<test::ManualClock>();
    QtAnnouncer announcer(clock);
    QWidget window, other, popup(nullptr, Qt::Popup);
    QLabel *row = new QLabel(&window), *twin = new QLabel(&window);
    BriselErrorBanner banner(ViewContext{nullptr, nullptr, &announcer, nullptr}, &popup);
    banner.setMessage("Over the window");
    // Shown and active; nothing is said while it settles.
    const auto open = [&](QWidget& target) {
        ASSERT_TRUE(test::showActive(target));
        QApplication::setActiveWindow(&target); // offscreen, a window shown again is not made active
        QApplication::processEvents();
        clock->advance(QtAnnouncer::settleSeconds / 2);
        QApplication::processEvents();
        EXPECT_EQ(log.spoken(), QStringList()) << "said while it was still coming up";
    };
    const struct Row {
        const char* name;
        std::function<void()> step;
        QStringList said;
    } rows[] = {
        {"no window", [&] { announcer.announce("Lost"), announcer.showFailure(*row, "Disk full", 1); }, {}},
        {"its window opens", [&] { open(window); }, {"Disk full"}},
        {"published again", [&] { announcer.showFailure(*row, "Disk full", 1); }, {}},
        {"a new attempt failed", [&] { announcer.showFailure(*row, "Disk full", 2); }, {"Disk full"}},
        {"another text, in two views",
         [&] { announcer.showFailure(*row, "Read-only", 2), announcer.showFailure(*twin, "Read-only"); },
         {"Read-only"}},
        {"hidden and shown again", [&] { row->hide(), row->show(); }, {}},
        {"its window opens again", [&] { window.hide(), open(window); }, {"Read-only"}},
        {"its window opens again without it",
         [&] {
             window.hide(), announcer.showFailure(*row, ""), announcer.showFailure(*twin, ""), open(window);
         },
         {}},
        {"a plain announcement", [&] { announcer.announce("Limit set"); }, {"Limit set"}},
        {"gone before its turn", [&] { announcer.showFailure(*row, "Stale"), row->hide(); }, {}},
        {"replaced before its turn",
         [&] { row->show(), announcer.showFailure(*row, "Stale"), announcer.showFailure(*row, "Now"); },
         {"Now"}},
        {"in the background", [&] { open(other), announcer.showFailure(*row, "Behind"); }, {}},
        {"in a popup", [&] { popup.show(); }, {"Over the window"}},
    };
    for (const Row& r : rows) {
        r.step();
        QApplication::processEvents();
        clock->advance(QtAnnouncer::settleSeconds);
        QApplication::processEvents();
        EXPECT_EQ(log.spoken(), r.said) << r.name;
    }
    clock->advance(QtAnnouncer::shownSeconds); // it does not stay shown
    EXPECT_FALSE(QtAnnouncer::announcementElement(&popup)->isVisible());
}

// ---- toggle row ------------------------------------------------------------------------------

TEST_F(DesignWidgetTest, ToggleRowAsksOnceFromAnywhereAndShowsOnlyWhatIsSynced) {
    BriselToggleRow row(context, "Keep awake", "cup.and.saucer", "Prevents sleep");
    row.resize(320, 24);
    row.show();
    QList<bool> asked;
    row.setOnToggle([&](bool on) { asked << on; });
    const QRectF track = row.trackRect();
    const QPoint label(40, 12), gap(int(track.left()) - 6, 12), knob = track.center().toPoint();
    for (const QPoint& at : {label, gap, knob}) QTest::mouseClick(&row, Qt::LeftButton, {}, at);
    EXPECT_EQ(asked, (QList<bool>{true, true, true}));
    EXPECT_FALSE(row.isOn());

    row.setOn(true);
    EXPECT_TRUE(row.isOn());
    QTest::mouseClick(&row, Qt::LeftButton, {}, label);
    EXPECT_EQ(asked.back(), false);
    EXPECT_TRUE(row.isOn());
}

TEST_F(DesignWidgetTest, SwitchSizesFollowGlassRendering) {
    const struct Row {
        BriselTheme theme;
        bool reduce;
        double track, knob;
    } rows[] = {{BriselTheme::liquidGlass, false, 38, 20},
                {BriselTheme::classic, false, 34, 16},
                {BriselTheme::liquidGlass, true, 34, 16}};
    BriselToggleRow row(context, "Limit charge");
    BriselSwitchToggle bare(context);
    for (const Row& r : rows) {
        source.setTheme(r.theme);
        source.setReduceTransparency(r.reduce);
        row.resize(row.sizeHint());
        EXPECT_EQ(row.trackRect().size(), QSizeF(r.track, 20));
        EXPECT_EQ(row.knobRect().width(), r.knob);
        EXPECT_GE(row.sizeHint().height(), 22);
        // Without a label the switch stands alone at its natural size (with room for the ring).
        EXPECT_EQ(bare.sizeHint(), QSize(int(r.track) + 4, 24));
    }
}

TEST_F(DesignWidgetTest, ToggleRowIsOneCheckBoxForAssistiveTechnology) {
    BriselToggleRow row(context, "Warn on low battery", "bell", "Shows a notification at 10%");
    BriselToggleRow plain(context, "Start at login");
    row.setOn(true);
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(&row);
    ASSERT_TRUE(face);
    EXPECT_EQ(face->role(), QAccessible::CheckBox);
    EXPECT_TRUE(face->state().checkable);
    EXPECT_TRUE(face->state().checked);
    EXPECT_EQ(face->text(QAccessible::Name), "Warn on low battery");
    EXPECT_EQ(face->text(QAccessible::Description), "Shows a notification at 10%");
    EXPECT_EQ(face->childCount(), 0);
    EXPECT_EQ(row.toolTip(), "Shows a notification at 10%");
    EXPECT_EQ(QAccessible::queryAccessibleInterface(&plain)->text(QAccessible::Description), "");
    EXPECT_EQ(plain.toolTip(), "");
    // No symbol, no gap in front of the title.
    EXPECT_LT(plain.sizeHint().width(), row.sizeHint().width() - 14);
}

TEST_F(DesignWidgetTest, KnobSlidesOnASpringOrJumpsWithReduceMotion) {
    AnimatedValue::setInstantMotion(false);
    for (bool reduceMotion : {false, true}) {
        source.setReduceMotion(reduceMotion);
        BriselToggleRow row(context, "Keep awake");
        row.resize(row.sizeHint());
        row.show();
        row.setOn(true);
        const QRectF track = row.trackRect(), knob = row.knobRect();
        if (reduceMotion)
            EXPECT_EQ(knob.right(), track.right() - 2);
        else
            EXPECT_EQ(knob.left(), track.left() + 2); // on its way, not there yet
    }
}

TEST_F(DesignWidgetTest, DisabledControlsIgnoreClicksAndSpaceAndSaySo) {
    BriselToggleRow row(context, "Keep awake");
    BriselSymbolButton button(context, "plus", 11, QFont::Medium);
    int asked = 0;
    row.setOnToggle([&](bool) { ++asked; });
    QSignalSpy clicked(&button, &QAbstractButton::clicked);
    for (QAbstractButton* control : std::initializer_list<QAbstractButton*>{&row, &button}) {
        control->setEnabled(false);
        control->show();
        QTest::mouseClick(control, Qt::LeftButton);
        QTest::keyClick(control, Qt::Key_Space);
        EXPECT_TRUE(QAccessible::queryAccessibleInterface(control)->state().disabled);
    }
    EXPECT_EQ(asked, 0);
    EXPECT_EQ(clicked.count(), 0);
}

TEST_F(DesignWidgetTest, ScaleButtonShrinksWhilePressedUnlessMotionIsReduced) {
    for (bool reduceMotion : {false, true}) {
        source.setReduceMotion(reduceMotion);
        BriselSymbolButton button(context, "xmark", 9, QFont::Bold);
        button.show();
        QTest::mousePress(&button, Qt::LeftButton);
        EXPECT_EQ(button.currentScale(), reduceMotion ? 1.0 : 0.96);
        QTest::mouseRelease(&button, Qt::LeftButton);
        EXPECT_EQ(button.currentScale(), 1.0);
    }
}

// ---- section card ----------------------------------------------------------------------------

TEST_F(DesignWidgetTest, SectionCardHeaderTrailingTextAndTheme) {
    SectionCard card(context, "Battery", "battery.75");
    EXPECT_FALSE(card.trailingLabel()->isVisibleTo(&card));
    card.setTrailingText(QString("82%"));
    EXPECT_TRUE(card.trailingLabel()->isVisibleTo(&card));
    EXPECT_EQ(card.trailingLabel()->text(), "82%");

    const QColor grey = QColor::fromRgbF(0.28f, 0.28f, 0.28f);
    EXPECT_EQ(card.titleLabel()->palette().color(QPalette::WindowText), grey);
    EXPECT_EQ(card.symbolView()->color(), grey);
    card.setTheme(BriselTheme::classic);
    EXPECT_EQ(card.appearance().theme, BriselTheme::classic);
    source.setTheme(BriselTheme::classic);
    EXPECT_EQ(card.titleLabel()->palette().color(QPalette::WindowText), BriselColors::secondary(card.palette()));
    card.setTheme(std::nullopt);
    source.setTheme(BriselTheme::liquidGlass);
    EXPECT_EQ(card.appearance().theme, BriselTheme::liquidGlass);
}

TEST_F(DesignWidgetTest, TextsByKeyReadTheChosenLanguage) {
    const struct Row {
        const char* language;
        const char* classic;
        const char* liquidGlass;
    } rows[] = {{"en", "Classic", "Liquid Glass"}, {"ja", "クラシック", "リキッドグラス"}};
    for (const Row& row : rows) {
        const auto l10n = test::repositoryLocalizer(row.language);
        const QString classic = l10n->tr(QString::fromUtf8(localizationKey(BriselTheme::classic).data()));
        SectionCard card(context, classic, "gearshape");
        EXPECT_EQ(card.titleLabel()->text(), QString::fromUtf8(row.classic));
        EXPECT_EQ(l10n->tr(QString::fromUtf8(localizationKey(BriselTheme::liquidGlass).data())),
                  QString::fromUtf8(row.liquidGlass));
    }
}

// ---- updates in place ------------------------------------------------------------------------

TEST_F(DesignWidgetTest, ResyncingKeepsTheSameChildrenAndTheFocus) {
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto* card = new SectionCard(context, "Battery", "battery.75");
    auto* banner = new BriselErrorBanner(context);
    auto* row = new BriselToggleRow(context, "Keep awake", "cup.and.saucer");
    banner->setDismiss([] {}, "Dismiss");
    for (QWidget* w : std::initializer_list<QWidget*>{card, banner, row}) layout->addWidget(w);
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    row->setFocus();
    const auto before = window.findChildren<QWidget*>();

    for (int round = 0; round < 2; ++round) {
        card->setTitle("Charging");
        card->setSystemImage("bolt");
        card->setTrailingText(QString("80%"));
        banner->setMessage("Helper not reachable");
        banner->setDismiss([] {}, "Close");
        row->setTitle("Keep awake with the lid closed");
        row->setSystemImage("laptopcomputer");
        row->setHelpText("Needs the helper");
        row->setOn(round == 0);
        source.setTheme(round == 0 ? BriselTheme::classic : BriselTheme::liquidGlass);
    }
    EXPECT_EQ(window.findChildren<QWidget*>(), before);
    EXPECT_TRUE(row->hasFocus());
}

TEST(AccessibleWidgetTest, ValueTextAndRoleComeFromTheWidget) {
    QLabel heading("Battery");
    BriselAccessibleWidget::setRole(&heading, QAccessible::Heading);
    QWidget cell;
    cell.setAccessibleName("Charge");
    BriselAccessibleWidget::setValueText(&cell, "80%");
    EXPECT_EQ(QAccessible::queryAccessibleInterface(&heading)->role(), QAccessible::Heading);
    EXPECT_EQ(QAccessible::queryAccessibleInterface(&heading)->text(QAccessible::Name), "Battery");
    BriselAccessibleWidget::setValueText(&cell, "81%");
    EXPECT_EQ(QAccessible::queryAccessibleInterface(&cell)->text(QAccessible::Value), "81%");
    EXPECT_EQ(QAccessible::queryAccessibleInterface(&cell)->text(QAccessible::Name), "Charge");
}

// A key pressed while its window settles presses nothing, and one held down since then nothing until
// it is let go, whether Qt marks its repeats or sees each as a release and a press at one time.
TEST_F(DesignWidgetTest, AKeyHeldFromBeforeASettlePressesNothingUntilLetGo) {
    const std::pair<const char*, int> rows[] = {{"down settle later repeat bare up", 1},
                                                {"settle down later bare repeat up", 0},
                                                {"shown down up later down up", 1},
                                                {"activated down up later down up", 1}};
    auto clock = std::make_shared<test::ManualClock>();
    KeySettle keys(clock);
    QWidget window;
    auto* control = new QWidget(&window);
    test::EventCounter presses(*control, QEvent::KeyPress);
    const auto send = [control](QEvent::Type type, bool autoRepeat) {
        QKeyEvent event(type, Qt::Key_Return, Qt::NoModifier, "\r", autoRepeat);
        QApplication::sendEvent(control, &event);
    };
    for (const auto& [steps, reached] : rows) {
        clock->advance(1);
        presses.count = 0;
        for (const QString& step : QString(steps).split(' ')) {
            if (step == "down" || step == "up")
                send(step == "down" ? QEvent::KeyPress : QEvent::KeyRelease, false);
            if (step == "repeat" || step == "bare") // a release and a press at one time, marked or not
                send(QEvent::KeyRelease, step == "repeat"), send(QEvent::KeyPress, step == "repeat");
            if (step == "settle") KeySettle::settle(control);
            if (step == "shown" || step == "activated") { // a window shown or activated settles itself
                QEvent event(step == "shown" ? QEvent::Show : QEvent::WindowActivate);
                QApplication::sendEvent(&window, &event);
            }
            if (step == "later") clock->advance(KeySettle::kSeconds);
        }
        EXPECT_EQ(presses.count, reached) << steps;
    }
}

} // namespace
} // namespace brisel

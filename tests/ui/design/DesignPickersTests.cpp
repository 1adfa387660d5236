#include "LayoutChecks.h"
#include "UiTestSupport.h"

#include "ui/design/AppearanceSource.h"
#include "ui/design/BriselDetentSlider.h"
#include "ui/design/BriselDropdownRow.h"
#include "ui/design/BriselHelpBubble.h"
#include "ui/design/BriselStepperRow.h"
#include "ui/design/DropdownPill.h"
#include "ui/design/SemanticSlider.h"

#include <gtest/gtest.h>

#include <QAccessible>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>
#include <QVBoxLayout>

#include <cmath>
#include <limits>

namespace brisel {
namespace {

std::vector<DropdownOption<int>> limitOptions() {
    return {{0, "Off"}, {80, "80%"}, {85, "85%"}, {90, "90%"}, {95, "95%"}, {100, "100%"}};
}

// The charge-limit slider of the panel at its design width: detents at 18, 58, 98, 138, 178, 218.
DetentTrack limitTrack() {
    return {limitOptions(), true, 236};
}

// ---- detent rules ----------------------------------------------------------------------------

TEST(DetentTrackTest, PointerResolvesToThumbAndValue) {
    const struct Row {
        double x, y;
        bool click;
        double thumb;
        int value;
    } rows[] = {
        {60, 9, false, 58.44, 80}, // within 3.5 of a detent: pulled onto it
        {78, 9, false, 78, 83},    // between detents: 82.5 rounds up
        {30, 9, false, 30, 0},     // left of 45% of the off gap
        {50, 9, false, 50, 80},    // the rest of the off gap gives the first limit
        {64, 9, true, 58, 80},     // a click within 7.5 snaps
        {68, 9, true, 68, 81},     // a click farther away interpolates
        {75, 30, false, 58, 80},   // in the label row: the nearest detent
        {-300, 9, false, 18, 0},   // far outside: clamped onto the track
        {900, 40, false, 218, 100},
    };
    const DetentTrack track = limitTrack();
    for (const Row& r : rows) {
        const auto resolved = track.resolve({r.x, r.y}, r.click, 85);
        EXPECT_NEAR(resolved.visualX, r.thumb, 1e-9) << r.x;
        EXPECT_EQ(resolved.value, r.value) << r.x;
    }
    // One option, or none: everything resolves to it, or to the selection.
    EXPECT_EQ((DetentTrack{{{80, "80%"}}, true, 236}.resolve({200, 9}, false, 85).value), 80);
    EXPECT_EQ((DetentTrack{{}, true, 236}.resolve({200, 9}, false, 85).value), 85);
}

TEST(DetentTrackTest, DotsMarkTheWholeValuesBetweenCloseDetentsOnly) {
    const auto dots = limitTrack().minorDots();
    ASSERT_EQ(dots.size(), 16u); // four per gap from 80 to 100, none in the off gap
    EXPECT_EQ(dots.front().value, 81);
    EXPECT_NEAR(dots.front().x, 66, 1e-9);
    EXPECT_EQ(dots.back().value, 99);
    EXPECT_TRUE((DetentTrack{{{0, "0"}, {1, "1"}, {20, "20"}}, false, 236}.minorDots().empty()));
}

TEST(DetentTrackTest, ThumbSitsOnItsDetentOrBetween) {
    const DetentTrack track = limitTrack();
    EXPECT_EQ(track.thumbX(0), 18);
    EXPECT_EQ(track.thumbX(80), 58);
    EXPECT_EQ(track.thumbX(83), 58 + 40 * 0.6);
    EXPECT_EQ(track.thumbX(40), 58); // below the first limit while not off
    EXPECT_EQ(track.thumbX(120), 218);
}

TEST(DetentTrackTest, KeyboardStepsJumpTheOffGapAndCommitsLandOnALimit) {
    const struct Row {
        std::vector<DropdownOption<int>> options;
        double value;
        int direction;
        double next;
    } steps[] = {
        {limitOptions(), 0, +1, 80},  {limitOptions(), 80, -1, 0}, {limitOptions(), 80, +1, 81},
        {limitOptions(), 86, -1, 85}, {{{0, "Off"}}, 0, +1, 1},    {{}, 50, -1, 49},
    };
    for (const auto& s : steps)
        EXPECT_EQ((DetentTrack{s.options, true, 236}.nextValue(s.value, s.direction)), s.next);

    const DetentTrack track = limitTrack();
    EXPECT_EQ(track.committedValue(40), 80);
    EXPECT_EQ(track.committedValue(0.4), 0);
    EXPECT_EQ(track.committedValue(82.5), 83);
    EXPECT_EQ((DetentTrack{{{0, "Off"}}, true, 236}.committedValue(40)), 40);
}

// ---- semantic slider -------------------------------------------------------------------------

class SemanticSliderTest : public ::testing::Test {
protected:
    void SetUp() override {
        slider.setRange(0, 100);
        slider.setValue(80);
        slider.onCommit = [this](double v) { commits.push_back(v); };
    }
    SemanticSlider slider;
    std::vector<double> commits; // (Qt 6.4 compares two empty lists of doubles through a null pointer)
};

TEST_F(SemanticSliderTest, KeysCommitOnlyChangedFiniteValuesWithinRange) {
    const struct Row {
        Qt::Key key;
        double next; // what nextValue returns
        std::vector<double> commits;
    } rows[] = {
        {Qt::Key_Right, 81, {81}}, {Qt::Key_Down, 79, {79}},
        {Qt::Key_Up, 250, {100}},  {Qt::Key_Left, std::nan(""), {}},
        {Qt::Key_Home, 0, {0}},    {Qt::Key_End, 0, {100}},
        {Qt::Key_A, 0, {}},
    };
    for (const Row& r : rows) {
        slider.setValue(80);
        commits.clear();
        slider.nextValue = [&](double, int) { return r.next; };
        QTest::keyClick(&slider, r.key);
        EXPECT_EQ(commits, r.commits) << r.key;
    }
    slider.setValue(100);
    commits.clear();
    QTest::keyClick(&slider, Qt::Key_End);
    EXPECT_TRUE(commits.empty());
}

TEST_F(SemanticSliderTest, AccessibleValueActionsAndDisabledState) {
    slider.setLabel("Charge Limit");
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(&slider);
    ASSERT_TRUE(face);
    EXPECT_EQ(face->role(), QAccessible::Slider);
    EXPECT_EQ(face->text(QAccessible::Name), "Charge Limit");
    EXPECT_EQ(face->text(QAccessible::Value), "80%");
    face->actionInterface()->doAction(QAccessibleActionInterface::increaseAction());
    face->valueInterface()->setCurrentValue(42.0);
    face->valueInterface()->setCurrentValue(QString("not a number"));
    EXPECT_EQ(commits, (std::vector<double>{81, 42}));
    EXPECT_EQ(face->valueInterface()->maximumValue().toDouble(), 100);

    slider.setEnabled(false);
    slider.show();
    slider.setFocus();
    EXPECT_FALSE(slider.hasFocus());
    QTest::keyClick(&slider, Qt::Key_Right);
    face->actionInterface()->doAction(QAccessibleActionInterface::decreaseAction());
    face->valueInterface()->setCurrentValue(10.0);
    EXPECT_EQ(commits.size(), 2);
    EXPECT_TRUE(slider.testAttribute(Qt::WA_TransparentForMouseEvents));
}

TEST(SemanticSliderDescription, RoundsHalfAwayFromZeroAndSaturates) {
    const std::pair<double, const char*> rows[] = {
        {42.4, "42%"}, {42.5, "43%"}, {0.6, "1%"}, {-2.5, "-3%"}, {1e300, "9223372036854775807%"}};
    for (const auto& [value, text] : rows)
        EXPECT_EQ(SemanticSlider::defaultDescription(value), text) << value;
}

// ---- stepper ---------------------------------------------------------------------------------

TEST(StepperRowRules, StepsOnlyWithinTheBoundsNeverOntoThem) {
    constexpr auto max = std::numeric_limits<std::int64_t>::max();
    const struct Row {
        StepperState state;
        std::optional<std::int64_t> down, up;
    } rows[] = {
        {{"", 9, 1, 10, 3, {}}, 6, std::nullopt},
        {{"", 9, 0, 10, 5, {}}, 4, std::nullopt},
        {{"", 0, 0, 10, 1, {}}, std::nullopt, 1},
        {{"", 5, 0, 10, 0, {}}, 5, 5},
        {{"", max - 1, 0, max, 5, {}}, max - 6, std::nullopt},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(BriselStepperRow::stepped(r.state, -1), r.down) << r.state.value;
        EXPECT_EQ(BriselStepperRow::stepped(r.state, +1), r.up) << r.state.value;
    }
    // Crossing from minus to plus: the plus half is entered before the minus half is left.
    EXPECT_EQ(BriselStepperRow::hoveredAfter(BriselStepperRow::hoveredAfter(-1, +1, true), -1, false), 1);
    EXPECT_EQ(BriselStepperRow::hoveredAfter(+1, +1, false), std::nullopt);
}

TEST(StepperRowTest, HalvesKeysAndAccessibilityCallTheOwner) {
    AppearanceSource source;
    BriselStepperRow row(ViewContext{nullptr, &source, nullptr, nullptr});
    QList<std::int64_t> changes;
    row.setOnChange([&](std::int64_t v) { changes << v; });
    row.sync({"Samples: 9", 9, 0, 10, 5, QString("Per hour")});
    row.resize(240, 24);
    row.show();
    QTest::mouseClick(&row, Qt::LeftButton, {}, row.halfRect(+1).center().toPoint());
    QTest::mouseClick(&row, Qt::LeftButton, {}, row.halfRect(-1).center().toPoint());
    QTest::keyClick(&row, Qt::Key_Up);
    QTest::keyClick(&row, Qt::Key_Left);
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(&row);
    face->actionInterface()->doAction(QAccessibleActionInterface::decreaseAction());
    EXPECT_EQ(changes, (QList<std::int64_t>{4, 4, 4}));
    EXPECT_FALSE(row.canStep(+1));
    EXPECT_EQ(face->role(), QAccessible::SpinBox);
    EXPECT_EQ(face->text(QAccessible::Name), "Samples: 9");
    EXPECT_EQ(face->text(QAccessible::Value), "9");
    EXPECT_EQ(row.toolTip(), "Per hour");
}

TEST(StepperRowTest, APressedHalfShrinksOnlyWithMotionAndALongTitleWraps) {
    AnimatedValue::setInstantMotion(true);
    for (bool reduceMotion : {false, true}) {
        AppearanceSource source;
        source.setReduceMotion(reduceMotion);
        QWidget window;
        auto* row = new BriselStepperRow(ViewContext{nullptr, &source, nullptr, nullptr});
        (new QVBoxLayout(&window))->addWidget(row);
        row->sync({"Minimum samples before the plan tops up the charge: 3", 3, 1, 10, 1, {}});
        window.resize(180, window.heightForWidth(180));
        window.show();
        QTest::mousePress(row, Qt::LeftButton, {}, row->halfRect(-1).center().toPoint());
        EXPECT_EQ(row->halfScale(-1), reduceMotion ? 1.0 : 0.88) << reduceMotion;
        EXPECT_EQ(row->halfScale(+1), 1.0);
        QTest::mouseRelease(row, Qt::LeftButton, {}, row->halfRect(-1).center().toPoint());
        EXPECT_EQ(row->halfScale(-1), 1.0);
        EXPECT_GT(row->height(), BriselStepperRow::controlHeight + 2); // the title took a second line
        EXPECT_EQ(test::clippedContent(window), QStringList());
    }
    AnimatedValue::setInstantMotion(false);
}

// ---- detent slider ---------------------------------------------------------------------------

class DetentSliderTest : public ::testing::Test {
protected:
    void SetUp() override {
        AnimatedValue::setInstantMotion(true);
        slider.resize(236, 36);
        slider.sync({limitOptions(), 85, std::nullopt, true, {}, QString("Help"), "Charge Limit"});
        slider.setOnSelect([this](int v) { selected << v; });
        slider.setOnPreviewChange([this](std::optional<int> v) { previews << v; });
        slider.show();
    }
    void TearDown() override { AnimatedValue::setInstantMotion(false); }

    void move(QPoint to, Qt::MouseButtons held = Qt::LeftButton) {
        QMouseEvent event(QEvent::MouseMove, to, slider.mapToGlobal(to), Qt::NoButton, held, Qt::NoModifier);
        QApplication::sendEvent(&slider, &event);
    }

    AppearanceSource source;
    test::CountingHaptics haptics;
    BriselDetentSlider slider{ViewContext{nullptr, &source, nullptr, &haptics}};
    QList<int> selected;
    QList<std::optional<int>> previews;
};

TEST_F(DetentSliderTest, DragPreviewsTicksOnDetentsAndCommitsOnRelease) {
    QTest::mousePress(&slider, Qt::LeftButton, {}, {100, 9}); // on 85, the selection: no preview
    for (int x = 102; x <= 222; x += 4)
        move({x, 9}); // across 90, 95 and 100
    EXPECT_TRUE(slider.isDragging());
    EXPECT_EQ(haptics.alignments, 3);
    move({78, 9});
    EXPECT_EQ(slider.previewValue(), 83);
    EXPECT_EQ(slider.drawnThumbX(), 78);
    QTest::mouseRelease(&slider, Qt::LeftButton, {}, {78, 9});
    EXPECT_EQ(selected, QList<int>{83});
    EXPECT_EQ(previews.back(), std::nullopt);
    EXPECT_FALSE(slider.isDragging());
    EXPECT_EQ(slider.drawnThumbX(), 98); // back on the selection until the owner syncs
}

TEST_F(DetentSliderTest, ClicksSnapAndADragBackToTheSelectionCommitsNothing) {
    QTest::mouseClick(&slider, Qt::LeftButton, {}, {64, 9});
    QTest::mouseClick(&slider, Qt::LeftButton, {}, {68, 9});
    QTest::mouseClick(&slider, Qt::LeftButton, {}, {75, 30});
    EXPECT_EQ(selected, (QList<int>{80, 81, 80}));

    selected.clear();
    previews.clear();
    QTest::mousePress(&slider, Qt::LeftButton, {}, {98, 9});
    move({140, 9});
    move({99, 9});
    QTest::mouseRelease(&slider, Qt::LeftButton, {}, {99, 9});
    EXPECT_TRUE(selected.isEmpty());
    EXPECT_EQ(previews, (QList<std::optional<int>>{90, 85, std::nullopt}));
}

TEST_F(DetentSliderTest, SyncDuringADragKeepsTheDragAndTheReleaseCommitsWhatWasSeen) {
    QTest::mousePress(&slider, Qt::LeftButton, {}, {98, 9});
    move({138, 9});
    slider.sync({limitOptions(), 95, std::nullopt, true, {}, std::nullopt, "Charge Limit"});
    EXPECT_TRUE(slider.isDragging());
    EXPECT_EQ(slider.previewValue(), 90);
    EXPECT_EQ(slider.drawnThumbX(), 138);
    QTest::mouseRelease(&slider, Qt::LeftButton, {}, {138, 9});
    EXPECT_EQ(selected, QList<int>{90});
}

TEST_F(DetentSliderTest, ADragEndedWithoutAReleaseCommitsNothingAndShowsTheSelection) {
    QWidget other;
    slider.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&slider));
    const struct Row {
        const char* name;
        std::function<void()> interrupt;
    } rows[] = {
        {"window no longer active",
         [&] {
             other.show();
             other.activateWindow();
             EXPECT_TRUE(QTest::qWaitForWindowActive(&other));
         }},
        {"slider hidden", [&] { slider.hide(), slider.show(); }},
        {"button let go unseen", [&] { move({150, 30}, Qt::NoButton); }},
    };
    for (const Row& r : rows) {
        slider.sync({limitOptions(), 85, std::nullopt, true, {}, QString("Help"), "Charge Limit"});
        previews.clear();
        QTest::mousePress(&slider, Qt::LeftButton, {}, {98, 9});
        move({138, 9});
        ASSERT_EQ(slider.previewValue(), 90) << r.name;
        r.interrupt();
        slider.sync({limitOptions(), 95, std::nullopt, true, {}, QString("Help"), "Charge Limit"});
        EXPECT_FALSE(slider.isDragging()) << r.name;
        EXPECT_EQ(slider.displayedValue(), 95) << r.name;
        EXPECT_EQ(slider.drawnThumbX(), 178) << r.name;
        EXPECT_EQ(previews, (QList<std::optional<int>>{90, std::nullopt})) << r.name;
        move({138 + 5, 30}, Qt::NoButton); // hover works again
        EXPECT_EQ(slider.hoveredIndex(), 3) << r.name;
        QTest::mouseRelease(&slider, Qt::LeftButton, {}, {138, 9}); // a late release commits nothing
    }
    EXPECT_TRUE(selected.isEmpty());
}

TEST_F(DetentSliderTest, EndLabelsMoveInwardJustEnoughToBeWhole) {
    QWidget window;
    auto* spanish = new BriselDetentSlider(ViewContext{nullptr, &source, nullptr, nullptr}, &window);
    spanish->setGeometry(0, 0, 236, 36);
    DetentSliderState state;
    state.options = {{0, "Desactivado"}, {80, "80%"}, {100, "Completamente"}};
    state.selection = 80;
    state.treatsFirstOptionAsOff = true;
    spanish->sync(state);
    window.resize(236, 36);
    window.show();
    EXPECT_EQ(test::clippedContent(window), QStringList());
    EXPECT_EQ(spanish->labelRect(0).left(), 0);
    EXPECT_EQ(spanish->labelRect(2).right(), 236);
    // A label that fits stays centred.
    EXPECT_EQ(spanish->labelRect(1).center().x(), spanish->track().detentX(1));
}

TEST_F(DetentSliderTest, HelpBubbleFollowsTheSliderThroughAScroll) {
    QWidget window;
    auto* area = new QScrollArea(&window);
    auto* content = new QWidget;
    auto* column = new QVBoxLayout(content);
    auto* before = new QWidget;
    before->setFocusPolicy(Qt::StrongFocus);
    before->setFixedHeight(20);
    column->addWidget(before);
    column->addSpacing(300);
    auto* slider = new BriselDetentSlider(ViewContext{nullptr, &source, nullptr, nullptr});
    slider->sync({limitOptions(), 85, std::nullopt, true, {}, QString("Help"), "Charge Limit"});
    column->addWidget(slider);
    column->addSpacing(300);
    area->setWidget(content);
    area->setWidgetResizable(true);
    area->setGeometry(0, 40, 280, 120);
    window.resize(280, 160);
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    before->setFocus();
    QTest::keyClick(before, Qt::Key_Tab);
    ASSERT_TRUE(slider->input()->hasFocus());
    auto* bubble = window.findChild<BriselHelpBubble*>();
    ASSERT_TRUE(bubble);
    const auto sitsAboveTheSlider = [&] {
        return bubble->isVisible() && bubble->y() == slider->mapTo(&window, QPoint(0, 0)).y() - 28;
    };
    EXPECT_TRUE(sitsAboveTheSlider());
    area->verticalScrollBar()->setValue(0);
    EXPECT_FALSE(bubble->isVisible());
    area->ensureWidgetVisible(slider);
    EXPECT_TRUE(sitsAboveTheSlider());
}

TEST_F(DetentSliderTest, HoverEnlargesTheNearDetentOnly) {
    move({98 + 11, 30});
    EXPECT_EQ(slider.hoveredIndex(), 2);
    move({98 + 13, 30});
    EXPECT_EQ(slider.hoveredIndex(), std::nullopt);
}

TEST_F(DetentSliderTest, KeyboardStepsThroughTheEmbeddedSlider) {
    SemanticSlider* input = test::findOne<SemanticSlider>(&slider, "detent-slider");
    ASSERT_TRUE(input);
    EXPECT_EQ(input->minimum(), 0);
    EXPECT_EQ(input->maximum(), 100);
    EXPECT_EQ(QAccessible::queryAccessibleInterface(input)->text(QAccessible::Value), "85%");
    QTest::keyClick(input, Qt::Key_Right);
    slider.sync({limitOptions(), 80, std::nullopt, true, {}, std::nullopt, "Charge Limit"});
    QTest::keyClick(input, Qt::Key_Down);
    slider.sync({limitOptions(), 0, std::nullopt, true, {}, std::nullopt, "Charge Limit"});
    QTest::keyClick(input, Qt::Key_Up);
    QTest::keyClick(input, Qt::Key_End);
    EXPECT_EQ(selected, (QList<int>{86, 0, 80, 100}));
}

// ---- dropdown row ----------------------------------------------------------------------------

class DropdownRowTest : public ::testing::Test {
protected:
    DropdownRowTest() {
        auto* layout = new QVBoxLayout(&window);
        layout->addWidget(&first);
        layout->addWidget(&second);
        first.setOnSelect([this](const int& v) { chosen << v; });
        first.sync("Hold at", {{70, "70%"}, {80, "80%"}, {90, "90%"}}, 80);
        second.sync("Theme", {{1, "Classic"}, {2, "Liquid Glass"}}, 2);
        window.resize(300, 80);
        window.show();
    }

    static QStringList checked(QMenu* menu) {
        QStringList labels;
        for (QAction* action : menu->actions())
            if (action->isChecked()) labels << action->text();
        return labels;
    }
    // The items drawn with something beside their text: they differ from the same menu bare.
    static QStringList marked(QMenu* menu) {
        const QImage drawn = menu->grab().toImage();
        for (QAction* action : menu->actions()) action->setCheckable(false);
        const QImage bare = menu->grab().toImage();
        QStringList labels;
        for (QAction* action : menu->actions())
            if (drawn.copy(menu->actionGeometry(action)) != bare.copy(menu->actionGeometry(action)))
                labels << action->text();
        return labels;
    }

    AppearanceSource source;
    ViewContext context{nullptr, &source, nullptr, nullptr};
    ActiveDropdown active;
    QWidget window;
    BriselDropdownRow<int> first{context, "holdLimit", &active};
    BriselDropdownRow<int> second{context, "theme", &active};
    QList<int> chosen;
};

TEST_F(DropdownRowTest, MenuChecksTheSelectedItemsAndPopsUpOnTheLastOne) {
    const struct Row {
        std::vector<DropdownOption<int>> options;
        int selection;
        QString pill;
        QStringList checked;
    } rows[] = {
        {{{70, "70%"}, {80, "80%"}}, 75, "", {}},
        {{{70, "A"}, {80, "B"}, {70, "C"}}, 70, "A", {"A", "C"}},
    };
    for (const Row& r : rows) {
        first.sync("Hold at", r.options, r.selection);
        EXPECT_EQ(first.pill()->label(), r.pill);
        first.open();
        ASSERT_TRUE(first.menu());
        EXPECT_EQ(checked(first.menu()), r.checked);
        EXPECT_EQ(marked(first.menu()), r.checked); // nothing beside the others
        EXPECT_EQ(first.positioningAction() ? first.positioningAction()->text() : QString(),
                  r.checked.isEmpty() ? QString() : r.checked.back());
        EXPECT_GE(first.menu()->minimumWidth(), 104);
        first.menu()->hide();
        EXPECT_FALSE(first.isMenuOpen());
    }
    first.sync("Hold at", {}, 80);
    first.open();
    EXPECT_EQ(first.menu(), nullptr);
    EXPECT_FALSE(first.isMenuOpen());
    EXPECT_EQ(active.id(), std::nullopt);
}

TEST_F(DropdownRowTest, AChoiceCallsTheOwnerOnceAndEscapeCallsNothing) {
    test::findOne<QAbstractButton>(&window, "dropdown-holdLimit")->click();
    ASSERT_TRUE(first.isMenuOpen());
    EXPECT_EQ(active.id(), "holdLimit");
    QMenu* menu = first.menu();
    QAction* ninety = menu->actions().at(2);
    menu->hide(); // the menu reports closing before the chosen action fires
    ninety->trigger();
    EXPECT_EQ(chosen, QList<int>{90});
    EXPECT_EQ(active.id(), std::nullopt);

    first.open();
    QTest::keyClick(first.menu(), Qt::Key_Escape);
    EXPECT_FALSE(first.isMenuOpen());
    EXPECT_EQ(active.id(), std::nullopt);
    EXPECT_EQ(chosen.size(), 1);
}

TEST_F(DropdownRowTest, AssistiveTechnologyMeetsOneElementThatOpensTheMenu) {
    int sayingTitle = 0;
    for (const test::AccessibleElement& e : test::accessibleElements(window)) {
        if (!e.name.contains("Hold at") && !e.says("80%")) continue;
        ++sayingTitle;
        EXPECT_EQ(e.name, "Hold at, 80%");
        EXPECT_EQ(e.value, "80%");
        EXPECT_EQ(e.role, QAccessible::ButtonMenu);
    }
    EXPECT_EQ(sayingTitle, 1);
    QAccessibleInterface* pill = QAccessible::queryAccessibleInterface(first.pill());
    pill->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_TRUE(first.isMenuOpen());
    first.menu()->hide();
}

TEST_F(DropdownRowTest, OneMenuPerWindowAndClearingTheIdClosesIt) {
    first.open();
    second.open();
    EXPECT_EQ(active.id(), "theme");
    EXPECT_FALSE(first.isMenuOpen());
    EXPECT_TRUE(second.isMenuOpen());
    active.setId(std::nullopt);
    EXPECT_FALSE(second.isMenuOpen());
    EXPECT_TRUE(chosen.isEmpty());
}

} // namespace
} // namespace brisel

#include "LayoutChecks.h"
#include "PanelStates.h"
#include "UiTestSupport.h"

#include "ui/design/AppearanceSource.h"
#include "ui/design/BriselDetentSlider.h"
#include "ui/design/BriselDropdownRow.h"
#include "ui/design/BriselHelpBubble.h"
#include "ui/design/BriselPanelBackdrop.h"
#include "ui/design/BriselStepperRow.h"
#include "ui/design/DropdownPill.h"
#include "ui/design/SemanticSlider.h"
#include "ui/panel/AppActivityCard.h"
#include "ui/panel/ChargeLimitCard.h"
#include "ui/panel/EnergyModeCard.h"
#include "ui/panel/PanelOperationError.h"

#include <gtest/gtest.h>

#include <QFileInfo>
#include <QLabel>
#include <QTest>
#include <QVBoxLayout>

namespace brisel {
namespace {

using test::findOne;
using test::findVisible;

using test::app;
using test::chargeState;

// The three cards and the pickers in a 340-wide panel column, with every action recorded.
struct Panel {
    explicit Panel(ViewContext context)
        : root(context), charge(new ChargeLimitCard(context)), energy(new EnergyModeCard(context)),
          activity(new AppActivityCard(context)),
          dropdown(new BriselDropdownRow<int>(context, "holdLimit", &active)),
          stepper(new BriselStepperRow(context)), slider(new BriselDetentSlider(context)) {
        auto* column = new QVBoxLayout(&root);
        column->setContentsMargins(12, 12, 12, 12);
        column->setSpacing(6);
        for (QWidget* w :
             std::initializer_list<QWidget*>{charge, energy, activity, dropdown, stepper, slider})
            column->addWidget(w);
        column->addStretch(1);
        charge->setActions({[this](int v) { calls << QString("applyLimit(%1)").arg(v); },
                            [this] { calls << "chargeToFullNow"; }, [this] { calls << "resumeChargeLimit"; },
                            [this](bool on) { calls << QString("setSmartEnabled(%1)").arg(on); }});
        energy->setActions(
            {[this](EnergyMode m) { calls << QString("setEnergyMode(%1)").arg(rawValue(m)); }});
        activity->setActions({[this](const SignificantEnergyApp& a) {
            calls << QString("open(%1)").arg(QString::fromStdString(a.name));
        }});
        dropdown->setOnSelect([this](const int& v) { calls << QString("dropdown(%1)").arg(v); });
        stepper->setOnChange([this](std::int64_t v) { calls << QString("stepper(%1)").arg(v); });
        slider->setObjectName("gallery-slider");

        charge->sync(chargeState());
        energy->sync({{EnergyMode::automatic, EnergyMode::lowPower, EnergyMode::highPower},
                      EnergyMode::lowPower,
                      false,
                      std::nullopt});
        activity->sync(
            {{app(412, "Photo Editor"), app(90, "Browser"), app(7, "Music")}, "energySample.ready"});
        dropdown->sync("Hold at", {{70, "70%"}, {80, "80%"}, {90, "90%"}}, 80);
        dropdown->setMinimumPillWidth(66);
        stepper->sync({"Samples per hour: 3", 3, 1, 10, 1, QString("Samples needed")});
        slider->sync({{{0, "0"}, {5, "5"}, {10, "10"}, {30, "30"}},
                      7,
                      std::nullopt,
                      false,
                      {},
                      std::nullopt,
                      "Gallery"});
        fit();
    }

    // Wrapped lines need the height for the panel's width, not for the natural one.
    // (Polished first: the style settles the sizes.)
    void fit() {
        root.ensurePolished();
        root.resize(340, root.hasHeightForWidth() ? root.heightForWidth(340) : root.sizeHint().height());
    }

    BriselPanelBackdrop root;
    ActiveDropdown active;
    ChargeLimitCard* charge;
    EnergyModeCard* energy;
    AppActivityCard* activity;
    BriselDropdownRow<int>* dropdown;
    BriselStepperRow* stepper;
    BriselDetentSlider* slider;
    QStringList calls;
};

using PanelCardsTest = test::PanelViewTest;

TEST_F(PanelCardsTest, ChargeCardControlsCallTheirModelActions) {
    Panel panel(context);
    panel.root.show();
    auto* bar = findOne(&panel.root, "charge-limit-bar");
    ASSERT_TRUE(bar);
    auto* input = findOne<SemanticSlider>(bar, "detent-slider");
    auto* slider = bar->findChild<BriselDetentSlider*>();
    ASSERT_TRUE(input && slider);
    EXPECT_EQ(input->accessibleName(), "Charge Limit");
    const DetentTrack track = slider->track();
    QTest::mouseClick(slider, Qt::LeftButton, {}, QPoint(int(track.detentX(0)), 9));
    const QPoint from(int(track.detentX(1)), 9), to(int((track.detentX(1) + track.detentX(2)) / 2 + 1), 9);
    QTest::mousePress(slider, Qt::LeftButton, {}, from);
    QMouseEvent move(QEvent::MouseMove, to, slider->mapToGlobal(to), Qt::NoButton, Qt::LeftButton,
                     Qt::NoModifier);
    QApplication::sendEvent(slider, &move);
    QTest::mouseRelease(slider, Qt::LeftButton, {}, to);
    QTest::keyClick(input, Qt::Key_Right);

    auto* chargeToFull = findOne<QAbstractButton>(&panel.root, "charge-to-full-now");
    ASSERT_TRUE(chargeToFull);
    chargeToFull->click();
    findOne<QAbstractButton>(&panel.root, "smart-charging-master")->click();
    EXPECT_EQ(panel.calls, (QStringList{"applyLimit(0)", "applyLimit(83)", "applyLimit(81)",
                                        "chargeToFullNow", "setSmartEnabled(1)"}));
    EXPECT_TRUE(findVisible(&panel.root, "smart-charge-plan").isEmpty());
    EXPECT_TRUE(findVisible(&panel.root, "resume-charge-limit").isEmpty());

    ChargeLimitState state = chargeState();
    state.temporaryFullChargeActive = true;
    state.chargeLimitBusy = true;
    state.registeredTarget = 0;
    state.smartEnabled = true;
    state.bar.smartEnabled = true;
    panel.charge->sync(state);
    auto* resume = findOne<QAbstractButton>(&panel.root, "resume-charge-limit");
    ASSERT_TRUE(resume);
    EXPECT_EQ(resume->text(), "Resume 80% Limit");
    EXPECT_FALSE(resume->isEnabled());
    EXPECT_TRUE(findVisible(&panel.root, "charge-to-full-now").isEmpty());
    EXPECT_EQ(findOne<QLabel>(&panel.root, "smart-charge-plan")->text(), "Top-up at 05:00");
    EXPECT_EQ(slider->toolTip(), l10n->tr("panel.charge.manualHint"));
}

TEST_F(PanelCardsTest, TextsFollowTheLanguage) {
    Panel panel(context);
    ChargeLimitState state = chargeState();
    state.temporaryFullChargeActive = state.smartEnabled = true;
    state.registeredTarget = 85;
    state.feedback = {QString("charge.applying"), 85, std::nullopt, std::nullopt, true, 85};
    panel.charge->sync(state);
    panel.activity->sync({{}, "energySample.unavailable"});
    panel.root.show();
    const struct Row {
        const char* language;
        const char* resume;
        const char* status;
        const char* plan;
        const char* lowPower;
        const char* none;
    } rows[] = {
        {"en", "Resume 85% Limit", "Setting 85% (now Unknown)…", "Top-up at 05:00", "Low Power",
         "Energy use can't be measured right now."},
        {"ja", "85% の上限に戻す", "85% に設定中（現在 不明）…", "05:00 に追加充電", "低電力",
         "現在エネルギー使用量を測定できません。"},
    };
    for (const Row& r : rows) {
        l10n->setLanguage(r.language);
        EXPECT_EQ(findOne<QAbstractButton>(&panel.root, "resume-charge-limit")->text(),
                  QString::fromUtf8(r.resume));
        EXPECT_EQ(findOne<QLabel>(&panel.root, "charge-operation-status")->text(),
                  QString::fromUtf8(r.status));
        EXPECT_TRUE(findVisible(&panel.root, "temporary-charge-intent").isEmpty());
        EXPECT_EQ(findOne<QLabel>(&panel.root, "smart-charge-plan")->text(), QString::fromUtf8(r.plan));
        EXPECT_EQ(findOne<QAbstractButton>(&panel.root, "energy-mode-1")->text(),
                  QString::fromUtf8(r.lowPower));
        EXPECT_EQ(findOne(&panel.root, "energy-apps-status")->findChild<QLabel*>()->text(),
                  QString::fromUtf8(r.none));
    }
}

TEST_F(PanelCardsTest, OperationErrorAnnouncesOnceUntilItsTextChanges) {
    QWidget window;
    auto* row = new PanelOperationError(context, &window);
    row->hide();
    window.show();
    row->setMessage("Helper not reachable");
    EXPECT_TRUE(announcer.texts.isEmpty());
    for (int i = 0; i < 2; ++i) {
        row->show();
        row->setMessage("Helper not reachable");
        row->hide();
    }
    row->show();
    row->setMessage("Limit refused");
    EXPECT_EQ(announcer.texts, (QStringList{"Helper not reachable", "Limit refused"}));
}

TEST_F(PanelCardsTest, EnergyPillsCallTheModelAndFollowTheBusyState) {
    Panel panel(context);
    panel.root.show();
    panel.root.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&panel.root));
    auto* low = findOne<QAbstractButton>(&panel.root, "energy-mode-1");
    auto* high = findOne<QAbstractButton>(&panel.root, "energy-mode-2");
    ASSERT_TRUE(low && high);
    EXPECT_TRUE(low->isChecked());
    QTest::mouseClick(low, Qt::LeftButton);
    QTest::mouseClick(high, Qt::LeftButton);
    EXPECT_EQ(panel.calls, (QStringList{"setEnergyMode(1)", "setEnergyMode(2)"}));
    EXPECT_TRUE(low->isChecked());
    EXPECT_NEAR(low->width(), high->width(), 1);
    // The scope bubble is keyboard help: Tab brings it; focus, a press by the mouse, or focus a window
    // opened again gives back (a popup without telling the pill, another window as it activates) not.
    const auto bubbles = panel.root.findChildren<BriselHelpBubble*>();
    const auto shown = [&] { return std::ranges::count_if(bubbles, &QWidget::isVisible); };
    EXPECT_EQ(shown(), 0);
    panel.root.setWindowFlags(Qt::Popup);
    panel.root.show();
    QTest::keyClick(high, Qt::Key_Backtab);
    EXPECT_EQ(shown(), 1);
    panel.root.hide();
    panel.root.show();
    EXPECT_EQ(shown(), 0);
    QTest::keyClick(high, Qt::Key_Backtab);
    EXPECT_EQ(shown(), 1);
    panel.root.hide();
    panel.root.setWindowFlags(Qt::Window);
    QWidget elsewhere;
    for (QWidget* window : {&elsewhere, static_cast<QWidget*>(&panel.root)})
        ASSERT_TRUE(test::showActive(*window));
    ASSERT_TRUE(panel.energy->isAncestorOf(QApplication::focusWidget()));
    EXPECT_EQ(shown(), 0);
    QTest::mouseClick(low, Qt::LeftButton);
    EXPECT_EQ(shown(), 0);

    panel.energy->sync(
        {{EnergyMode::automatic, EnergyMode::highPower}, EnergyMode::highPower, true, QString("Denied")});
    EXPECT_TRUE(findVisible(&panel.root, "energy-mode-1").isEmpty());
    EXPECT_FALSE(high->isEnabled());
    EXPECT_TRUE(high->isChecked());
    EXPECT_EQ(findOne(panel.energy, "panel-operation-error")->findChild<QLabel*>()->text(), "Denied");
    EXPECT_EQ(announcer.texts, QStringList{"Denied"});
    QApplication::processEvents();
    EXPECT_EQ(panel.energy->lensRect(), QRectF(high->geometry()));

    // A mode the machine is in but does not offer shows in its place, selected, and cannot be chosen.
    panel.energy->sync({{EnergyMode::automatic, EnergyMode::highPower}, EnergyMode::lowPower, false, {}});
    QApplication::processEvents();
    EXPECT_TRUE(low->isVisible() && low->isChecked() && !low->isEnabled() && high->isEnabled());
    EXPECT_LT(low->x(), high->x());
}

TEST_F(PanelCardsTest, FocusOnAPillThatGoesMovesToItsNeighbour) {
    using M = EnergyMode;
    const struct Row {
        M focused;
        std::vector<M> offered;
        const char* focusedAfter;
    } rows[] = {
        {M::lowPower, {M::automatic, M::highPower}, "energy-mode-2"}, // the next one
        {M::highPower, {M::automatic, M::lowPower}, "energy-mode-1"}, // the last goes: the one before
        {M::lowPower, {M::automatic, M::lowPower}, "energy-mode-1"},  // it stays
    };
    for (const Row& r : rows) {
        Panel panel(context);
        panel.root.show();
        panel.root.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&panel.root));
        panel.energy->pill(r.focused)->setFocus();
        panel.energy->sync({r.offered, M::automatic, false, std::nullopt});
        EXPECT_EQ(QApplication::focusWidget(), findOne(&panel.root, r.focusedAfter)) << r.focusedAfter;
    }
}

TEST_F(PanelCardsTest, ActivityRowsKeepTheirWidgetsAndOpenTheirApp) {
    Panel panel(context);
    panel.activity->sync(
        {{app(1, "A"), app(2, "B"), app(3, "C"), app(4, "D"), app(5, "E")}, "energySample.partial"});
    panel.root.show();
    const auto rows = panel.activity->findChildren<EnergyAppRow*>();
    EXPECT_EQ(std::count_if(rows.begin(), rows.end(), [&](auto* r) { return r->isVisibleTo(&panel.root); }),
              3);
    EXPECT_TRUE(findVisible(&panel.root, "energy-app-4").isEmpty());
    EnergyAppRow* first = panel.activity->row(1);
    EnergyAppRow* third = panel.activity->row(3);
    QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
    QApplication::sendEvent(third, &enter);

    panel.activity->sync({{app(3, "C"), app(1, "A"), app(9, "Z")}, "energySample.ready"});
    EXPECT_EQ(panel.activity->row(3), third);
    EXPECT_EQ(panel.activity->row(1), first);
    EXPECT_TRUE(third->isHovered());
    EXPECT_LT(third->y(), first->y());
    findOne<QAbstractButton>(&panel.root, "energy-app-9")->click();
    EXPECT_EQ(panel.calls, QStringList{"open(Z)"});
    EXPECT_GE(panel.activity->contentLayout()->itemAt(0)->widget()->height(), 64);
}

TEST_F(PanelCardsTest, KeyboardReachesEveryControl) {
    Panel panel(context);
    ChargeLimitState state = chargeState();
    state.bar.smartEnabled = true;
    panel.charge->sync(state);
    const QList<QWidget*> order = test::tabOrder(panel.root);
    const QStringList names = {"detent-slider",     "charge-to-full-now", "smart-charging-master",
                               "energy-mode-0",     "energy-mode-1",      "energy-mode-2",
                               "energy-app-412",    "energy-app-90",      "energy-app-7",
                               "dropdown-holdLimit"};
    for (const QString& name : names) {
        const QList<QWidget*> found = findVisible(&panel.root, name);
        ASSERT_FALSE(found.isEmpty()) << name.toStdString();
        EXPECT_TRUE(order.contains(found.front())) << name.toStdString();
    }
    EXPECT_TRUE(order.contains(panel.stepper));

    // The slider's help floats above it while it has focus, outside the card's clip.
    auto* input = findOne<SemanticSlider>(panel.charge, "detent-slider");
    input->setFocus();
    const auto bubbles = panel.root.findChildren<BriselHelpBubble*>();
    const auto shown = std::count_if(bubbles.begin(), bubbles.end(), [](auto* b) { return b->isVisible(); });
    EXPECT_EQ(shown, 1);
    test::renderToPng(panel.root, "cards-slider-help");
    findOne(&panel.root, "energy-mode-0")->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
    QTest::keyClick(panel.dropdown->pill(), Qt::Key_Return);
    EXPECT_TRUE(panel.dropdown->isMenuOpen());
    QTest::keyClick(panel.dropdown->menu(), Qt::Key_Down);
    QTest::keyClick(panel.dropdown->menu(), Qt::Key_Return);
    QTest::keyClick(findOne(&panel.root, "energy-app-90"), Qt::Key_Return);
    EXPECT_EQ(panel.calls.mid(0, 1), QStringList{"setEnergyMode(0)"});
    EXPECT_EQ(panel.calls.mid(2), QStringList{"open(Browser)"});
}

TEST_F(PanelCardsTest, RendersTheCardsInBothThemesLightAndDark) {
    Panel panel(context);
    ChargeLimitState state = chargeState();
    state.smartEnabled = true;
    state.feedback = {
        QString("charge.applying"), 85, 80, QString("The helper did not answer in time."), false, 80};
    panel.charge->sync(state);
    panel.energy->sync({{EnergyMode::automatic, EnergyMode::lowPower, EnergyMode::highPower},
                        EnergyMode::lowPower,
                        true,
                        std::nullopt});
    panel.root.show();
    for (BriselTheme theme : allBriselThemes)
        for (bool dark : {false, true}) {
            test::ScopedScheme scheme(dark);
            source.setTheme(theme);
            panel.fit();
            const QString name =
                QString("cards-%1-%2")
                    .arg(theme == BriselTheme::classic ? "classic" : "liquidGlass", dark ? "dark" : "light");
            EXPECT_GT(QFileInfo(test::renderToPng(panel.root, name)).size(), 0);
            EXPECT_EQ(test::clippedContent(panel.root), QStringList()) << name.toStdString();
        }
}

} // namespace
} // namespace brisel

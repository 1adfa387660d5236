#include "ui/onboarding/OnboardingPages.h"

#include "ui/design/AccessibleText.h"
#include "ui/design/BriselAccessibleWidget.h"
#include "ui/design/BriselSemanticColor.h"
#include "ui/design/SymbolView.h"
#include "ui/onboarding/OnboardingRules.h"
#include "ui/onboarding/TaskStopView.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QSignalBlocker>
#include <QWheelEvent>

namespace brisel {

using namespace onboarding;

OnboardingPage::OnboardingPage(const PageEnv& env, QWidget* parent)
    : QWidget(parent), env_(env), column_(new QVBoxLayout) {
    column_->setContentsMargins(0, 0, 0, 0);
    column_->setSpacing(12);
    BriselAccessibleWidget::setRole(this, QAccessible::PageTab);
    // Height the stack gives beyond the page's own goes below it, never into its cards.
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addLayout(column_);
    outer->addStretch(1);
}

QLabel* OnboardingPage::headingTitle() const {
    for (QLabel* title : findChildren<QLabel*>("onboarding.heading"))
        if (title->isVisibleTo(this)) return title;
    return nullptr;
}

void OnboardingPage::refresh() const {
    if (env_.actions.refresh) env_.actions.refresh();
}

void OnboardingPage::addToColumn(QWidget* widget, Qt::Alignment alignment) {
    column_->addWidget(widget, 0, alignment);
}

namespace {

// A row of buttons: `first`, a stretch of at least 4, then `second`.
QWidget* buttonRow(QPushButton* first, QPushButton* second) {
    auto* row = new QWidget;
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(first);
    layout->addSpacing(4);
    layout->addStretch(1);
    layout->addWidget(second);
    return row;
}

QString withHour(const PageEnv& env, const std::pair<QString, std::optional<int>>& line) {
    return line.second ? env.tr(line.first, *line.second) : env.tr(line.first);
}

// The daily-limit picker. The wheel never changes it: it goes on to the page, so a pointer passing
// over the picker while the user scrolls the wizard chooses no other limit.
class LimitPicker : public QComboBox {
public:
    LimitPicker() { setFocusPolicy(Qt::StrongFocus); }

protected:
    void wheelEvent(QWheelEvent* event) override { event->ignore(); }
};

// Step 0: the charging habit and the daily limit.
class HabitPage : public OnboardingPage {
public:
    explicit HabitPage(const PageEnv& env) : OnboardingPage(env) {
        heading_ = add(new Heading);
        recheck_ = add(makeButton("onboarding.recheck", ButtonStyle::standard), Qt::AlignLeft);
        connect(recheck_, &QPushButton::clicked, this, [this] { refresh(); });
        unsupported_ = add(new Note("info.circle"));
        desk_ = add(new ChoiceCard("onboarding.habit.desk", "desktopcomputer",
                                   [this] { choose(OnboardingHabit::desk); }));
        mobile_ = add(
            new ChoiceCard("onboarding.habit.mobile", "bag", [this] { choose(OnboardingHabit::mobile); }));
        desk_->setOnMove([this](bool forward) { move(OnboardingHabit::desk, forward); });
        mobile_->setOnMove([this](bool forward) { move(OnboardingHabit::mobile, forward); });

        limitCard_ = add(new Card(env.context));
        caption_ = limitCard_->add(makeText(10, QFont::Normal, true));
        limitLine_ = limitCard_->add(new SymbolLine("battery.75percent", 12, QFont::Medium));
        explanation_ = limitCard_->add(makeText(11, QFont::Normal, true));
        noLimit_ = limitCard_->add(makeText(12, QFont::Medium));
        pickerPrompt_ = limitCard_->add(makeText(11));
        pickerRow_ = limitCard_->add(new QWidget);
        auto* pickerRow = new QHBoxLayout(pickerRow_);
        pickerRow->setContentsMargins(0, 0, 0, 0);
        pickerCaption_ = makeText(11);
        pickerCaption_->setWordWrap(false);
        picker_ = new LimitPicker;
        picker_->setObjectName("onboarding.availableLimits");
        picker_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        pickerCaption_->setBuddy(picker_);
        pickerRow->addWidget(pickerCaption_);
        pickerRow->addWidget(picker_, 1);
        connect(picker_, &QComboBox::activated, this, [this](int index) {
            if (const QVariant limit = picker_->itemData(index); limit.isValid())
                invoke(env_.actions.chooseLimit, limit.toInt());
            showSelectedLimit();
        });

        skip_ = add(makeButton("onboarding.chargeSkip", ButtonStyle::link, 11), Qt::AlignLeft);
        connect(skip_, &QPushButton::clicked, this, [this] {
            invoke(env_.actions.chooseHabit, OnboardingHabit::unchanged);
            invoke(env_.actions.next);
        });
    }

    void sync(const OnboardingState& s) override {
        state_ = s;
        arrowChoice_.reset();
        const HabitPageKind kind = habitPageKind(s);
        const bool habits = kind == HabitPageKind::habits;
        heading_->setTexts(loc(habits ? "onboarding.habitTitle" : "onboarding.deviceTitle"),
                           loc(kind == HabitPageKind::hardwareUnknown ? "onboarding.deviceUnknown"
                               : habits                               ? "onboarding.habitBody"
                                                                      : "onboarding.chargeUnsupported"));
        recheck_->setVisible(kind == HabitPageKind::hardwareUnknown);
        recheck_->setText(loc("onboarding.recheck"));
        recheck_->setEnabled(!s.checking);
        unsupported_->setVisible(kind == HabitPageKind::cannotCharge);
        unsupported_->setText(loc("onboarding.helperNotHardware"));
        for (QWidget* part : {static_cast<QWidget*>(desk_), static_cast<QWidget*>(mobile_),
                              static_cast<QWidget*>(limitCard_), static_cast<QWidget*>(skip_)})
            part->setVisible(habits);

        const bool locked = s.busy || s.record.hasApplicationAttempt();
        desk_->setTexts(loc("onboarding.desk"), loc("onboarding.deskBody"));
        desk_->setSelected(s.record.habit == OnboardingHabit::desk);
        desk_->setEnabled(!locked);
        mobile_->setTexts(loc("onboarding.mobile"), loc("onboarding.mobileBody"));
        mobile_->setSelected(s.record.habit == OnboardingHabit::mobile);
        mobile_->setEnabled(!locked);

        const LimitCard card = limitCard(s);
        for (QWidget* part : {static_cast<QWidget*>(caption_), static_cast<QWidget*>(limitLine_),
                              static_cast<QWidget*>(explanation_)})
            part->setVisible(card.limit.has_value());
        noLimit_->setVisible(!card.limit);
        noLimit_->setText(loc("onboarding.chooseAvailableLimit"));
        if (card.limit) {
            caption_->setText(loc(card.captionKey));
            limitLine_->setText(loc("onboarding.dailyLimit", *card.limit));
            explanation_->setText(withHour(env_, {card.explanationKey, card.explanationHour}));
        }
        pickerPrompt_->setVisible(card.picker);
        pickerPrompt_->setText(loc(card.pickerPromptKey));
        pickerRow_->setVisible(card.picker);
        pickerCaption_->setText(loc("onboarding.availableLimits"));
        syncPicker(s.limits);
        skip_->setText(loc("onboarding.chargeSkip"));
    }

private:
    void choose(OnboardingHabit habit) {
        arrowChoice_.reset();
        invoke(env_.actions.chooseHabit, habit);
    }

    // Down or right leads from desk to mobile, up or left back. Focus follows an arrow's choice
    // only once the record reaches the page, so an arrow handled before then moves on from the
    // card the one before chose, not from the card that still has focus.
    void move(OnboardingHabit card, bool forward) {
        const OnboardingHabit to = forward ? OnboardingHabit::mobile : OnboardingHabit::desk;
        if (arrowChoice_.value_or(card) == to) return;
        arrowChoice_ = to;
        invoke(env_.actions.chooseHabit, to);
        invoke(env_.focusCurrentChoice);
    }

    // Items change only with the offered limits, so an open picker stays open across a refresh.
    void syncPicker(const std::vector<int>& limits) {
        const QSignalBlocker blocker(picker_);
        if (picker_->count() == 0 || limits != shownLimits_) {
            picker_->clear();
            picker_->addItem(QString());
            for (int limit : limits)
                picker_->addItem(QString("%1%").arg(limit), limit);
            shownLimits_ = limits;
        }
        picker_->setItemText(0, loc("onboarding.chooseAvailableLimit"));
        setAccessibleNameIfChanged(picker_, loc("onboarding.availableLimits"));
        showSelectedLimit();
    }

    // The coordinator may refuse a pick, so the box always shows the recorded limit.
    void showSelectedLimit() {
        const QSignalBlocker blocker(picker_);
        const int found = state_.selectedLimit ? picker_->findData(*state_.selectedLimit) : -1;
        picker_->setCurrentIndex(std::max(found, 0));
    }

    Heading* heading_;
    QPushButton* recheck_;
    Note* unsupported_;
    ChoiceCard* desk_;
    ChoiceCard* mobile_;
    Card* limitCard_;
    QLabel* caption_;
    SymbolLine* limitLine_;
    QLabel* explanation_;
    QLabel* noLimit_;
    QLabel* pickerPrompt_;
    QWidget* pickerRow_;
    QLabel* pickerCaption_;
    QComboBox* picker_;
    std::vector<int> shownLimits_;
    QPushButton* skip_;
    std::optional<OnboardingHabit> arrowChoice_; // chosen by an arrow since the last sync
};

// Step 1: what keep-awake should do.
class TaskPage : public OnboardingPage {
public:
    explicit TaskPage(const PageEnv& env) : OnboardingPage(env) {
        heading_ = add(new Heading);
        const std::tuple<OnboardingTask, const char*> cards[] = {{OnboardingTask::none, "moon"},
                                                                 {OnboardingTask::open, "play"},
                                                                 {OnboardingTask::lid, "laptopcomputer"}};
        for (const auto& [task, icon] : cards) {
            auto* card = add(new ChoiceCard("onboarding.task." + QString::fromUtf8(toString(task).data()),
                                            icon, [this, task = task] { choose(task); }));
            card->setOnMove([this](bool forward) { move(forward); });
            cards_ << card;
        }
        persistent_ = add(new Note("info.circle"));
        bag_ = add(new Note("shield"));
    }

    void sync(const OnboardingState& s) override {
        state_ = s;
        chosen_.reset();
        heading_->setTexts(loc("onboarding.taskTitle"), loc("onboarding.taskBody"));
        const QString titles[] = {"onboarding.taskNone",
                                  s.hasLid ? "onboarding.taskOpen" : "onboarding.taskDesktop",
                                  "onboarding.taskLid"};
        const QString bodies[] = {"onboarding.taskNoneBody", "onboarding.taskOpenBody",
                                  "onboarding.taskLidBody"};
        const bool locked = s.busy || s.record.hasApplicationAttempt();
        for (int i = 0; i < cards_.size(); ++i) {
            cards_[i]->setTexts(loc(titles[i]), loc(bodies[i]));
            cards_[i]->setSelected(int(s.record.task) == i);
            cards_[i]->setEnabled(!locked);
        }
        cards_[int(OnboardingTask::lid)]->setVisible(s.hasLid);
        const bool task = s.record.task != OnboardingTask::none;
        persistent_->setVisible(task);
        persistent_->setText(loc("onboarding.persistentAwake"));
        bag_->setVisible(task && s.hasBattery);
        bag_->setText(loc("onboarding.bagAdvice"));
    }

protected:
    void keyPressEvent(QKeyEvent* event) override {
        switch (event->key()) {
        case Qt::Key_Down:
        case Qt::Key_Right:
            return move(true);
        case Qt::Key_Up:
        case Qt::Key_Left:
            return move(false);
        default:
            OnboardingPage::keyPressEvent(event);
        }
    }

private:
    void choose(OnboardingTask task) {
        chosen_ = task;
        invoke(env_.actions.chooseTask, task);
    }

    // The record reaches the page a turn after a choice, so an arrow handled before then moves on
    // from the choice the press before made.
    void move(bool forward) {
        OnboardingState from = state_;
        from.record.task = chosen_.value_or(from.record.task);
        const std::optional<OnboardingTask> task = movedTask(from, forward);
        if (!task) return;
        choose(*task);
        invoke(env_.focusCurrentChoice);
    }

    Heading* heading_;
    QList<ChoiceCard*> cards_; // none, open, lid
    Note* persistent_;
    Note* bag_;
    std::optional<OnboardingTask> chosen_; // chosen on this page since the last sync
};

// Step 2: the root helper.
class HelperPage : public OnboardingPage {
public:
    explicit HelperPage(const PageEnv& env) : OnboardingPage(env) {
        heading_ = add(new Heading);
        auto* card = add(new Card(env.context));
        icon_ = card->add(new SymbolView("power", 29, QFont::Normal, 36));
        card->column()->setAlignment(icon_, Qt::AlignHCenter);
        headline_ = card->add(makeText(14, QFont::DemiBold));
        headline_->setAlignment(Qt::AlignHCenter);
        lidBenefit_ = card->add(new SymbolLine("laptopcomputer", 12));
        energyBenefit_ = card->add(new SymbolLine("bolt", 12));
        status_ = card->add(makeText(11, QFont::Normal, true));
        install_ = makeButton("onboarding.installHelper", ButtonStyle::prominent);
        card->column()->addWidget(install_, 0, Qt::AlignHCenter);
        connect(install_, &QPushButton::clicked, this, [this] { invoke(env_.actions.installHelper); });
        recheck_ = makeButton("onboarding.recheck", ButtonStyle::standard);
        card->column()->addWidget(recheck_, 0, Qt::AlignLeft);
        connect(recheck_, &QPushButton::clicked, this, [this] { refresh(); });

        recovery_ = add(new Note("info.circle"));
        loginSettings_ = add(makeButton("onboarding.loginSettings", ButtonStyle::standard), Qt::AlignLeft);
        connect(loginSettings_, &QPushButton::clicked, this,
                [this] { invoke(env_.actions.openSettings, false); });
        privacy_ = add(new Note("info.circle"));
        installing_ = add(new BusyLine);
        skip_ = add(makeButton("onboarding.skipHelper", ButtonStyle::link, 11), Qt::AlignLeft);
        connect(skip_, &QPushButton::clicked, this, [this] {
            // Going on without the helper gives up the closed-lid task: ask first.
            if (state_.record.task == OnboardingTask::lid)
                invoke(env_.confirmDowngrade);
            else
                invoke(env_.actions.skipHelper, false);
        });
        skipped_ = add(new Note("info.circle"));
    }

    void sync(const OnboardingState& s) override {
        state_ = s;
        const bool lidTask = s.record.task == OnboardingTask::lid;
        heading_->setTexts(loc(lidTask ? "onboarding.helperLidTitle" : "onboarding.helperTitle"),
                           loc("onboarding.helperBody"));
        icon_->setName(s.helperReady ? "checkmark.circle" : "power");
        icon_->setColor(palette().color(QPalette::Highlight));
        headline_->setText(loc(s.helperReady ? "onboarding.helperReady" : "onboarding.helperName"));
        lidBenefit_->setVisible(s.hasLid);
        lidBenefit_->setText(loc("onboarding.helperLidBenefit"));
        energyBenefit_->setVisible(s.availableEnergyModes >= 2);
        energyBenefit_->setText(loc("onboarding.helperEnergyBenefit"));
        status_->setText(loc(helperStatusKey(s)));
        for (QWidget* w :
             {static_cast<QWidget*>(install_), static_cast<QWidget*>(recheck_), static_cast<QWidget*>(skip_)})
            w->setVisible(!s.helperReady);
        install_->setText(loc(installLabelKey(s)));
        install_->setEnabled(!s.busy && !s.checking && !s.storageError);
        recheck_->setText(loc("onboarding.recheck"));
        recheck_->setEnabled(!s.busy && !s.checking);

        const bool unavailable = s.helperState.kind() == HelperReadiness::Kind::unavailable;
        recovery_->setVisible(unavailable);
        recovery_->setText(loc("onboarding.helperRecovery"));
        loginSettings_->setVisible(unavailable);
        loginSettings_->setText(loc("onboarding.loginSettings"));
        privacy_->setText(loc("onboarding.helperPrivacy"));
        installing_->setVisible(s.busy);
        installing_->setText(loc("onboarding.installing"));
        skip_->setText(loc(lidTask ? "onboarding.downgrade" : "onboarding.skipHelper"));
        skip_->setEnabled(!s.busy);
        skipped_->setVisible(!s.helperReady && s.record.helper == SetupDecision::skipped);
        skipped_->setText(loc("onboarding.helperSkipped"));
    }

private:
    Heading* heading_;
    SymbolView* icon_;
    QLabel* headline_;
    SymbolLine* lidBenefit_;
    SymbolLine* energyBenefit_;
    QLabel* status_;
    QPushButton* install_;
    QPushButton* recheck_;
    Note* recovery_;
    QPushButton* loginSettings_;
    Note* privacy_;
    BusyLine* installing_;
    QPushButton* skip_;
    Note* skipped_;
};

// Step 3: start at login and the low-battery reminder.
class ContinuityPage : public OnboardingPage {
public:
    explicit ContinuityPage(const PageEnv& env) : OnboardingPage(env) {
        heading_ = add(new Heading);

        auto* login = add(new Card(env.context));
        loginTitle_ = login->add(new SymbolLine("power", 12, QFont::DemiBold));
        loginBody_ = login->add(makeText(11, QFont::Normal, true));
        loginStatus_ = login->add(makeText(11));
        enableLogin_ = makeButton("onboarding.enableLogin", ButtonStyle::prominent, 11);
        skipLogin_ = makeButton("onboarding.skipLogin", ButtonStyle::plain, 11);
        loginButtons_ = login->add(buttonRow(enableLogin_, skipLogin_));
        installLocation_ = login->add(makeText(11));
        connect(enableLogin_, &QPushButton::clicked, this, [this] {
            if (loginEnableAction(state_) == SettingsOrChoice::openSettings)
                invoke(env_.actions.openSettings, false);
            else
                invoke(env_.actions.chooseLogin, true);
        });
        connect(skipLogin_, &QPushButton::clicked, this, [this] { invoke(env_.actions.chooseLogin, false); });

        reminderCard_ = add(new Card(env.context));
        reminderTitle_ = reminderCard_->add(new SymbolLine("bell", 12, QFont::DemiBold));
        reminderBody_ = reminderCard_->add(makeText(11, QFont::Normal, true));
        reminderStatus_ = reminderCard_->add(makeText(11));
        test_ = makeButton("onboarding.testNotification", ButtonStyle::standard);
        reminderCard_->column()->addWidget(test_, 0, Qt::AlignLeft);
        testState_ = reminderCard_->add(makeText(11, QFont::Normal, true));
        allow_ = makeButton("onboarding.allowNotification", ButtonStyle::prominent, 11);
        // A button of its own, not a new label on the allow button: a screen reader says nothing of
        // a label that changes under the focus, but reads the control focus moves to in its place.
        notificationSettings_ = makeButton("onboarding.notificationSettings", ButtonStyle::prominent, 11);
        skipReminder_ = makeButton("onboarding.skipNotification", ButtonStyle::plain, 11);
        allowButtons_ = reminderCard_->add(buttonRow(allow_, skipReminder_));
        static_cast<QHBoxLayout*>(allowButtons_->layout())->insertWidget(1, notificationSettings_);
        connect(test_, &QPushButton::clicked, this, [this] { invoke(env_.actions.testNotification); });
        connect(allow_, &QPushButton::clicked, this, [this] { invoke(env_.actions.chooseReminder, true); });
        connect(notificationSettings_, &QPushButton::clicked, this,
                [this] { invoke(env_.actions.openSettings, true); });
        connect(skipReminder_, &QPushButton::clicked, this,
                [this] { invoke(env_.actions.chooseReminder, false); });

        recheck_ = add(makeButton("onboarding.recheck", ButtonStyle::standard, 11), Qt::AlignLeft);
        connect(recheck_, &QPushButton::clicked, this, [this] { refresh(); });
        returnNote_ = add(new Note("info.circle"));
    }

    void sync(const OnboardingState& s) override {
        state_ = s;
        heading_->setTexts(loc("onboarding.continuityTitle"), loc("onboarding.continuityBody"));

        loginTitle_->setText(loc("onboarding.loginTitle"));
        loginBody_->setText(loc(s.record.task != OnboardingTask::none ? "onboarding.loginAwakeBody"
                                : s.chargeChosen                      ? "onboarding.loginBody"
                                                                      : "onboarding.loginStatusBody"));
        loginStatus_->setText(loc(loginStatusKey(s)));
        // A button says the state it acts on, so the state a press left is heard with it.
        setAccessibleDescriptionIfChanged(enableLogin_, loginStatus_->text());
        const LoginButtons buttons = loginButtons(s);
        loginButtons_->setVisible(buttons != LoginButtons::none);
        skipLogin_->setVisible(buttons == LoginButtons::enableAndSkip);
        setButtonStyle(enableLogin_,
                       buttons == LoginButtons::enableOnly ? ButtonStyle::standard : ButtonStyle::prominent);
        enableLogin_->setText(loc(loginEnableAction(s) == SettingsOrChoice::openSettings
                                      ? "onboarding.loginSettings"
                                      : "onboarding.enableLogin"));
        skipLogin_->setText(loc("onboarding.skipLogin"));
        // Two buttons of the page read "Not Now": each name says which question it answers.
        setAccessibleNameIfChanged(skipLogin_, loc("onboarding.skipLoginName"));
        installLocation_->setVisible(showsInstallLocation(s));
        installLocation_->setText(loc("onboarding.installLocation"));

        reminderCard_->setVisible(s.hasBattery);
        reminderTitle_->setText(loc("onboarding.notificationTitle"));
        reminderBody_->setText(loc("onboarding.notificationBody"));
        reminderStatus_->setText(loc(reminderStatusKey(s)));
        for (QPushButton* button : {test_, allow_, notificationSettings_})
            setAccessibleDescriptionIfChanged(button, reminderStatus_->text());
        const bool testReady = reminderTestReady(s);
        test_->setVisible(testReady);
        test_->setText(loc("onboarding.testNotification"));
        testState_->setVisible(testReady && s.testState);
        testState_->setText(s.testState ? loc(*s.testState) : QString());
        allowButtons_->setVisible(!testReady);
        const bool toSettings = reminderAllowAction(s) == SettingsOrChoice::openSettings;
        allow_->setVisible(!toSettings);
        allow_->setText(loc("onboarding.allowNotification"));
        notificationSettings_->setVisible(toSettings);
        notificationSettings_->setText(loc("onboarding.notificationSettings"));
        skipReminder_->setVisible(reminderShowsSkip(s));
        skipReminder_->setText(loc("onboarding.skipNotification"));
        setAccessibleNameIfChanged(skipReminder_, loc("onboarding.skipNotificationName"));

        recheck_->setText(loc("onboarding.recheck"));
        returnNote_->setText(loc("onboarding.returnToCheck"));

        // The controls only, not the whole page: each widget disabled and enabled again is two events
        // for a screen reader, which then drops what it should say when the work ends. Last, so a
        // control the new state hides is not given the focus back first.
        const bool open = !s.busy && !s.storageError;
        for (QPushButton* button :
             {enableLogin_, skipLogin_, test_, allow_, notificationSettings_, skipReminder_})
            button->setEnabled(open);
        recheck_->setEnabled(open && !s.checking);
    }

private:
    Heading* heading_;
    SymbolLine* loginTitle_;
    QLabel* loginBody_;
    QLabel* loginStatus_;
    QWidget* loginButtons_;
    QPushButton* enableLogin_;
    QPushButton* skipLogin_;
    QLabel* installLocation_;
    Card* reminderCard_;
    SymbolLine* reminderTitle_;
    QLabel* reminderBody_;
    QLabel* reminderStatus_;
    QPushButton* test_;
    QLabel* testState_;
    QWidget* allowButtons_;
    QPushButton* allow_;
    QPushButton* notificationSettings_;
    QPushButton* skipReminder_;
    QPushButton* recheck_;
    Note* returnNote_;
};

// A card holding a task-stop view, read as one element ("onboarding.currentStopStatus").
Card* stopStatusCard(const PageEnv& env, TaskStopView*& view) {
    auto* card = new Card(env.context);
    card->setObjectName("onboarding.currentStopStatus");
    view = card->add(new TaskStopView(env));
    return card;
}

// Step 4: the plan, the preparations, the network, and after an attempt the results.
class ConfirmationPage : public OnboardingPage {
public:
    explicit ConfirmationPage(const PageEnv& env) : OnboardingPage(env) {
        stopCard_ = add(stopStatusCard(env, stopInCard_));
        heading_ = add(new Heading);
        limitWarning_ = add(new StatusCard(env.context, "exclamationmark.triangle"));
        results_ = add(new ResultsCard(env.context));

        chargePlan_ = add(new Card(env.context));
        dailyLimit_ = chargePlan_->add(new SymbolLine("battery.75percent", 12, QFont::Medium));
        limitChange_ = chargePlan_->add(makeText(11, QFont::Normal, true));
        smart_ = chargePlan_->add(makeText(11, QFont::Normal, true));

        awakePlan_ = add(new Card(env.context));
        awakePlanLine_ = awakePlan_->add(new SymbolLine("play", 12));
        awakePersistent_ = awakePlan_->add(new Note("info.circle"));
        noChanges_ = add(new Note("info.circle"));

        auto* preparation = add(new Card(env.context));
        attention_ = preparation->add(new Note("exclamationmark.triangle"));
        helper_ = preparation->add(new SummaryLine("onboarding.helperName"));
        repairHelper_ = repair(preparation, "onboarding.repairHelper", 2);
        login_ = preparation->add(new SummaryLine("onboarding.loginTitle"));
        repairLogin_ = repair(preparation, "onboarding.repairLogin", 3);
        reminder_ = preparation->add(new SummaryLine("onboarding.notificationTitle"));
        repairReminder_ = repair(preparation, "onboarding.repairNotification", 3);

        network_ = add(new Card(env.context));
        networkTitle_ = network_->add(new SymbolLine("wifi", 12, QFont::Medium));
        networkText_ = network_->add(makeText(11, QFont::Normal, true));
        remember_ = makeButton("onboarding.rememberNetwork", ButtonStyle::standard);
        network_->column()->addWidget(remember_, 0, Qt::AlignLeft);
        connect(remember_, &QPushButton::clicked, this, [this] { invoke(env_.actions.rememberNetwork); });

        stopControl_ = add(new TaskStopView(env));
    }

    void sync(const OnboardingState& s) override {
        state_ = s;
        const ConfirmationLayout l = confirmationLayout(s);
        stopCard_->setVisible(l.stopCard);
        stopInCard_->sync(s);
        heading_->setVisible(l.heading);
        heading_->setTexts(loc(l.noChanges ? "onboarding.confirmNoChangesTitle" : "onboarding.confirmTitle"),
                           loc(l.noChanges ? "onboarding.confirmNoChangesBody" : "onboarding.confirmBody"));
        limitWarning_->setVisible(l.limitWarning);
        limitWarning_->setText(loc("onboarding.chooseAvailableLimit"));
        results_->setVisible(l.results);
        results_->sync(env_, s);

        chargePlan_->setVisible(l.chargePlan);
        const qint64 target = s.record.targetLimit;
        dailyLimit_->setText(loc("onboarding.dailyLimit", target));
        limitChange_->setText(loc("onboarding.limitChange",
                                  s.currentLimit ? QString::number(*s.currentLimit) : QString(QChar(0x2014)),
                                  target));
        smart_->setVisible(s.record.habit == OnboardingHabit::mobile);
        smart_->setText(withHour(env_, smartPlanLine(s)));
        awakePlan_->setVisible(l.awakePlan);
        awakePlanLine_->setText(
            loc(s.record.task == OnboardingTask::lid ? "onboarding.lidPlan" : "onboarding.openPlan"));
        awakePersistent_->setText(loc("onboarding.persistentAwake"));
        noChanges_->setVisible(l.noChangesNote);
        noChanges_->setText(loc("onboarding.noChanges"));

        attention_->setVisible(!(s.helperResolved && s.loginResolved && s.notificationResolved));
        attention_->setText(loc("onboarding.preparationNeedsAttention"));
        helper_->sync(env_, preparationHelperKey(s));
        repairHelper_->setVisible(!s.helperResolved);
        login_->sync(env_, s.loginSummaryKey);
        repairLogin_->setVisible(!s.loginResolved);
        reminder_->setVisible(s.hasBattery);
        reminder_->sync(env_, s.notificationSummaryKey);
        repairReminder_->setVisible(s.hasBattery && !s.notificationResolved);
        for (QPushButton* button : {repairHelper_, repairLogin_, repairReminder_}) {
            button->setText(loc("onboarding.repairPreparation"));
            button->setEnabled(!s.busy && !s.checking);
        }

        network_->setVisible(l.networkCard);
        networkTitle_->setText(loc("onboarding.networkTitle"));
        networkText_->setText(
            loc(s.networkRemembered ? "onboarding.networkRemembered" : "onboarding.networkBody"));
        remember_->setVisible(!s.networkRemembered);
        remember_->setText(loc("onboarding.rememberNetwork"));
        remember_->setEnabled(s.networkAvailable && !s.busy);
        stopControl_->sync(s);
        stopControl_->setWanted(l.stopControl);
    }

private:
    QPushButton* repair(Card* card, const QString& key, int step) {
        QPushButton* button = makeButton(key, ButtonStyle::standard, 11);
        card->column()->addWidget(button, 0, Qt::AlignLeft);
        connect(button, &QPushButton::clicked, this,
                [this, step] { invoke(env_.actions.returnToPreparation, std::optional<int>(step)); });
        return button;
    }

    Card* stopCard_;
    TaskStopView* stopInCard_ = nullptr;
    Heading* heading_;
    StatusCard* limitWarning_;
    ResultsCard* results_;
    Card* chargePlan_;
    SymbolLine* dailyLimit_;
    QLabel* limitChange_;
    QLabel* smart_;
    Card* awakePlan_;
    SymbolLine* awakePlanLine_;
    Note* awakePersistent_;
    Note* noChanges_;
    Note* attention_;
    SummaryLine* helper_;
    QPushButton* repairHelper_;
    SummaryLine* login_;
    QPushButton* repairLogin_;
    SummaryLine* reminder_;
    QPushButton* repairReminder_;
    Card* network_;
    SymbolLine* networkTitle_;
    QLabel* networkText_;
    QPushButton* remember_;
    TaskStopView* stopControl_;
};

// After applying: what was started, the results, a summary and a first step.
class CompletionPage : public OnboardingPage {
public:
    explicit CompletionPage(const PageEnv& env) : OnboardingPage(env) {
        stopTitle_ = add(makeText(19, QFont::DemiBold));
        stopTitle_->setObjectName("onboarding.heading");
        BriselAccessibleWidget::setRole(stopTitle_, QAccessible::Heading);
        stopCard_ = add(stopStatusCard(env, stop_));

        success_ = add(new QWidget);
        auto* successColumn = new QVBoxLayout(success_);
        successColumn->setContentsMargins(0, 12, 0, 0);
        successColumn->setSpacing(12);
        check_ = new SymbolView("checkmark.circle.fill", 40, QFont::Normal, 40);
        successColumn->addWidget(check_, 0, Qt::AlignLeft);
        heading_ = new Heading;
        successColumn->addWidget(heading_);

        results_ = add(new ResultsCard(env.context));
        smart_ = add(makeText(11, QFont::Normal, true));
        awakeNote_ = add(new Note("info.circle"));

        auto* summary = add(new Card(env.context));
        login_ = summary->add(new SummaryLine("onboarding.loginTitle"));
        reminder_ = summary->add(new SummaryLine("onboarding.notificationTitle"));
        helper_ = summary->add(new SummaryLine("onboarding.helperName"));

        auto* first = add(new Card(env.context));
        firstAction_ = first->add(makeText(12, QFont::DemiBold));
        firstStep_ = first->add(makeText(11));
        tutorial_ = first->add(makeText(10, QFont::Normal, true));
        menuNote_ = add(new Note("menubar.rectangle"));
    }

    void sync(const OnboardingState& s) override {
        state_ = s;
        stopTitle_->setVisible(s.hasStopResult);
        stopTitle_->setText(loc("onboarding.stopTask"));
        stopCard_->setVisible(s.hasStopResult);
        stop_->sync(s);
        success_->setVisible(!s.hasStopResult);
        check_->setColor(BriselSemanticColor::emerald(env_.context.currentAppearance().dark));
        heading_->setTexts(loc(completionTitleKey(s)), loc("onboarding.resultsBody"));

        results_->setVisible(completionShowsResults(s));
        results_->sync(env_, s);
        smart_->setVisible(s.record.habit == OnboardingHabit::mobile);
        smart_->setText(withHour(env_, smartPlanLine(s)));
        awakeNote_->setVisible(s.record.task != OnboardingTask::none && !s.hasStopResult);
        awakeNote_->setText(loc("onboarding.awakeActiveBody"));

        login_->sync(env_, s.loginSummaryKey);
        reminder_->setVisible(s.hasBattery);
        reminder_->sync(env_, s.notificationSummaryKey);
        helper_->setVisible(s.record.helper == SetupDecision::skipped);
        helper_->sync(env_, "onboarding.helperSkippedShort");

        firstAction_->setText(loc("onboarding.firstAction"));
        firstStep_->setText(loc(firstStepKey(s)));
        tutorial_->setText(loc("onboarding.tutorialOptional"));
        menuNote_->setText(loc("onboarding.findMenu"));
    }

private:
    QLabel* stopTitle_;
    Card* stopCard_;
    TaskStopView* stop_ = nullptr;
    QWidget* success_;
    SymbolView* check_;
    Heading* heading_;
    ResultsCard* results_;
    QLabel* smart_;
    Note* awakeNote_;
    SummaryLine* login_;
    SummaryLine* reminder_;
    SummaryLine* helper_;
    QLabel* firstAction_;
    QLabel* firstStep_;
    QLabel* tutorial_;
    Note* menuNote_;
};

} // namespace

std::vector<OnboardingPage*> makeOnboardingPages(const PageEnv& env) {
    return {new HabitPage(env),      new TaskPage(env),         new HelperPage(env),
            new ContinuityPage(env), new ConfirmationPage(env), new CompletionPage(env)};
}

} // namespace brisel

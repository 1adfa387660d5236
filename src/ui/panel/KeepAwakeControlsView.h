#pragma once

#include "services/awake/KeepAwakeMenuState.h"
#include "ui/panel/AwakeFeedbackView.h"
#include "ui/panel/PanelControls.h"
#include "ui/panel/PanelText.h"

#include <QStringList>
#include <QWidget>

#include <optional>

class QLabel;

namespace brisel {

class BriselSwitchToggle;

// The model's keep-awake state the controls read; the feedback part also feeds the feedback view.
struct KeepAwakeState {
    bool keepAwake = false;
    bool keepDisplayAwake = false;
    bool hasClamshell = false;
    bool hasAwakeFeedback = false;
    bool canEditKeepAwakeOptions = false;
    bool bagGuardActive = false;
    KeepAwakeMenuState menuState = KeepAwakeMenuState::off;
    QStringList collapsedFeedbackKeys; // summaries of the issues that are not receipts
    AwakeFeedbackState feedback;

    bool operator==(const KeepAwakeState&) const = default;
};

// The master switch is off limits while a stop runs, or while off with a stop owed (the model's
// `awakeStopNeedsRecovery`).
bool masterDisabled(const KeepAwakeState& state);
bool sleepDisplayButtonShown(const KeepAwakeState& state);
bool manualSleepNoteShown(const KeepAwakeState& state);

// The collapsed section's status line: the problems' summaries (or the state's own text), one per
// line; none while keep-awake is simply off or on.
struct MenuExceptionLine {
    QString text;
    QString symbol;
    PanelTone tone;
};
std::optional<MenuExceptionLine> menuExceptionLine(KeepAwakeMenuState menuState,
                                                   const QStringList& collapsedKeys, const Localizer& l10n);

// The keep-awake controls. Compact (the panel's card): a header that folds the options out, the
// master switch ("keep-awake-master") and, while folded, the status line. Full (the settings'
// awake tab): a switch row and the options, always shown. The options ("keep-awake-options") hold
// the display and closed-lid options, sleeping the displays, the notes, the feedback, and the help
// (full) or the link to the settings (compact).
class KeepAwakeControlsView : public QWidget {
    Q_OBJECT

public:
    KeepAwakeControlsView(ViewContext context, bool compact, QWidget* parent = nullptr);

    void sync(const KeepAwakeState& state);
    void setActions(KeepAwakeActions actions);
    // The fold of the options (compact only; without it they stay folded) and of the details.
    void setExpansion(BoolBinding binding);
    void setFeedbackExpansion(BoolBinding binding);
    // Reads both flags again (after their owner changed them).
    void refreshExpansion();

    bool isExpanded() const;
    AwakeFeedbackView* feedback() const { return feedback_; }

protected:
    void changeEvent(QEvent* event) override;

private:
    void setExpanded(bool expanded);
    void requestKeepAwake(bool on);
    void apply();

    ViewContext context_;
    bool compact_;
    KeepAwakeState state_;
    std::optional<bool> lastKeepAwake_;
    KeepAwakeActions actions_;
    BoolBinding expansion_;
    QAbstractButton* entry_ = nullptr;
    BriselSwitchToggle* master_;
    QWidget* exceptionRow_ = nullptr;
    PanelButton* exception_ = nullptr;
    QWidget* options_;
    QLabel* summary_ = nullptr;
    PanelCheckBox* display_;
    PanelCheckBox* lid_;
    QWidget* group_;
    PanelButton* sleep_;
    QLabel* manualSleep_;
    AwakeFeedbackView* feedback_;
    PanelDisclosure* help_ = nullptr;
    QLabel* helpLid_ = nullptr;
    PanelButton* moreSettings_ = nullptr;
    PanelButton* systemSettings_ = nullptr;
};

} // namespace brisel

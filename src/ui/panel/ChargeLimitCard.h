#pragma once

#include "ui/design/SectionCard.h"
#include "ui/panel/ChargeFeedbackView.h"
#include "ui/panel/SegmentedLimitBar.h"
#include "ui/panel/SmartPlanView.h"

#include <functional>
#include <optional>

namespace brisel {

class BriselToggleRow;
class ChargeActionButton;

// The model's charge state the card reads.
struct ChargeLimitState {
    bool temporaryFullChargeActive = false;
    int registeredTarget = 0;
    bool mclSupported = false;
    bool temporaryFullChargeSupported = false;
    bool externalConnected = false;
    std::optional<int> batteryPercent;
    int selection = 0;
    std::optional<int> currentLimit;
    bool limitEnabled = false;
    bool chargeLimitBusy = false;
    bool smartEnabled = false;
    LimitBarState bar;
    ChargeFeedbackState feedback;
    SmartPlanState plan;

    bool operator==(const ChargeLimitState&) const = default;
};

// One model action per control of the card.
struct ChargeLimitActions {
    std::function<void(int)> applyLimit;
    std::function<void()> chargeToFullNow;
    std::function<void()> resumeChargeLimit;
    std::function<void(bool)> setSmartEnabled;
};

enum class OneOffAction { none, chargeToFull, resume };

// Resume while a one-off full charge is in force; else charge to full when the hardware can, the
// Mac is on the adapter below full and the limit in force is below 100; else nothing.
OneOffAction chooseOneOffAction(const ChargeLimitState& state);
// The limit a resume returns to: the registered target, or 80 when that is off.
int resumeTarget(int registeredTarget);

// The panel card through which the user controls charging: the title with the one-off action
// ("charge-to-full-now" or "resume-charge-limit"), the limit bar, the charge feedback lines, the
// smart-charging switch ("smart-charging-master") and, while it is on, the smart plan.
class ChargeLimitCard : public SectionCard {
    Q_OBJECT

public:
    explicit ChargeLimitCard(ViewContext context, QWidget* parent = nullptr);

    void sync(const ChargeLimitState& state);
    void setActions(ChargeLimitActions actions) { actions_ = std::move(actions); }

protected:
    void appearanceChanged() override;
    void changeEvent(QEvent* event) override;

private:
    void apply();

    ChargeLimitState state_;
    ChargeLimitActions actions_;
    ChargeActionButton* resume_;
    ChargeActionButton* chargeToFull_;
    SegmentedLimitBar* bar_;
    ChargeFeedbackView* feedback_;
    BriselToggleRow* smart_;
    SmartPlanView* plan_;
};

} // namespace brisel

#pragma once

#include "ui/design/ViewContext.h"

#include <QLabel>

#include <cstdint>
#include <optional>

namespace brisel {

class Localizer;

// The smart plan as the model has it.
struct SmartPlanState {
    std::optional<int> predictedUnplugHour;
    std::int64_t topupLeadHours = 0;
    std::int64_t holdLimit = 0;
    std::int64_t topupLimit = 0;
    QString smartPlanKey; // "smart.topupOff", "smart.toppingUp", "smart.plan" or "smart.learning"

    bool operator==(const SmartPlanState&) const = default;
};

struct SmartPlanText {
    QString line; // the short sentence in the compact form, the plan sentence otherwise
    QString help; // the plan sentence and how the plan is learned, in both forms
};

// The hour the top-up starts: `lead` hours before the unplug hour, on the clock (never negative).
int topupStartHour(std::optional<int> unplugHour, std::int64_t lead);
SmartPlanText presentSmartPlan(const SmartPlanState& state, const Localizer& l10n, bool compact);

// One wrapping line that says what the smart plan does ("smart-charge-plan").
class SmartPlanView : public QLabel {
    Q_OBJECT

public:
    SmartPlanView(ViewContext context, bool compact, QWidget* parent = nullptr);

    void sync(const SmartPlanState& state);

protected:
    void changeEvent(QEvent* event) override;

private:
    void apply();

    ViewContext context_;
    bool compact_;
    SmartPlanState state_;
    bool applying_ = false;
};

} // namespace brisel

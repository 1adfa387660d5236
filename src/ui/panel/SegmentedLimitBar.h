#pragma once

#include "ui/design/DropdownOption.h"
#include "ui/design/ViewContext.h"

#include <QWidget>

#include <functional>
#include <vector>

namespace brisel {

class BriselDetentSlider;
class Localizer;

// What the limit bar shows.
struct LimitBarState {
    std::vector<int> availableLimits; // what the hardware offers; may be empty
    int displaySelection = 0;         // the model's chargeDisplaySelection
    bool smartEnabled = false;

    bool operator==(const LimitBarState&) const = default;
};

// Off first, then the offered limits within 1...100, once each and ascending; the usual five
// limits when the hardware offers none that fit.
std::vector<DropdownOption<int>> limitBarOptions(const std::vector<int>& availableLimits,
                                                 const Localizer& l10n);

// The charge-limit picker of the panel ("charge-limit-bar"): a detent slider over the limits with
// off in front, in a recessed well. A pick goes to onApply (0 turns the limit off).
class SegmentedLimitBar : public QWidget {
    Q_OBJECT

public:
    explicit SegmentedLimitBar(ViewContext context, QWidget* parent = nullptr);

    void sync(const LimitBarState& state);
    void setOnApply(std::function<void(int)> onApply);
    BriselDetentSlider* slider() const { return slider_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void apply();

    ViewContext context_;
    LimitBarState state_;
    BriselDetentSlider* slider_;
};

} // namespace brisel

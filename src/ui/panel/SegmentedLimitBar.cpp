#include "ui/panel/SegmentedLimitBar.h"

#include "localization/Localizer.h"
#include "ui/design/BriselDetentSlider.h"
#include "ui/design/BriselGeometry.h"
#include "ui/design/BriselRecessedGlassSurface.h"
#include "ui/design/BriselSemanticColor.h"
#include "ui/panel/PanelText.h"

#include <QPainter>
#include <QVBoxLayout>

#include <algorithm>

namespace brisel {

std::vector<DropdownOption<int>> limitBarOptions(const std::vector<int>& availableLimits,
                                                 const Localizer& l10n) {
    // A 0 or an out-of-range value would add a second off detent or one the hardware cannot hold.
    std::vector<int> limits;
    std::copy_if(availableLimits.begin(), availableLimits.end(), std::back_inserter(limits),
                 [](int limit) { return limit >= 1 && limit <= 100; });
    if (limits.empty()) limits = {80, 85, 90, 95, 100};
    std::sort(limits.begin(), limits.end());
    limits.erase(std::unique(limits.begin(), limits.end()), limits.end());
    limits.insert(limits.begin(), 0);
    std::vector<DropdownOption<int>> options;
    for (int limit : limits)
        options.push_back({limit, percentText(l10n, limit)});
    return options;
}

SegmentedLimitBar::SegmentedLimitBar(ViewContext context, QWidget* parent)
    : QWidget(parent), context_(context), slider_(new BriselDetentSlider(context, this)) {
    setObjectName("charge-limit-bar");
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 2, 4, 3);
    layout->addWidget(slider_);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    context_.observe(this, [this] { apply(); });
}

void SegmentedLimitBar::setOnApply(std::function<void(int)> onApply) {
    slider_->setOnSelect(std::move(onApply));
}

void SegmentedLimitBar::sync(const LimitBarState& state) {
    state_ = state;
    apply();
}

void SegmentedLimitBar::apply() {
    if (!context_.l10n) return;
    const Localizer& l10n = *context_.l10n;
    DetentSliderState slider;
    slider.options = limitBarOptions(state_.availableLimits, l10n);
    slider.selection = state_.displaySelection;
    slider.accent = BriselSemanticColor::electricBlue(context_.currentAppearance().dark);
    slider.treatsFirstOptionAsOff = true;
    slider.valueFormatter = [&l10n](int value) { return percentText(l10n, value); };
    if (state_.smartEnabled) slider.helpText = l10n.tr("panel.charge.manualHint");
    slider.accessibilityLabel = l10n.tr("panel.charge.title");
    slider_->sync(std::move(slider));
    update();
}

void SegmentedLimitBar::paintEvent(QPaintEvent*) {
    const Appearance appearance = context_.currentAppearance();
    QPainter painter(this);
    BriselRecessedGlassSurface::paint(painter, QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), appearance,
                                      palette(), BriselGeometry::contentRadius(appearance.theme, 11));
}

} // namespace brisel

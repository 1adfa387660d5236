#pragma once

#include "services/power/BatteryInfo.h"
#include "ui/design/SectionCard.h"
#include "ui/panel/PanelText.h"

#include <array>
#include <optional>

namespace brisel {

// One cell of the power flow as it is shown.
struct PowerFlowCellText {
    QString label;
    QString value;
    QString accessibleValue; // also the tooltip
    QString symbol;
    std::optional<PanelTone> dot;
    const char* identifier;
};

// Adapter input, system draw and battery flow, left to right. Non-finite readings count as absent.
std::array<PowerFlowCellText, 3> powerFlowCells(const PowerFlow& flow, bool externalConnected,
                                                const Localizer& l10n);
// The card's trailing text: what the battery does (none while nothing can be said).
std::optional<QString> powerFlowTrailing(const PowerFlow& flow, bool externalConnected,
                                         const Localizer& l10n);

// The card "section.powerFlow": three cells in a well, split by hairlines.
class PowerFlowCard : public SectionCard {
    Q_OBJECT

public:
    explicit PowerFlowCard(ViewContext context, QWidget* parent = nullptr);

    void sync(const PowerFlow& flow, bool externalConnected);

protected:
    void appearanceChanged() override;
    void changeEvent(QEvent* event) override;

private:
    class Cell;
    void apply();

    PowerFlow flow_;
    bool externalConnected_ = false;
    std::array<Cell*, 3> cells_;
};

} // namespace brisel

#pragma once

#include "services/helper-client/EnergyMode.h"
#include "ui/design/AnimatedValue.h"
#include "ui/design/SectionCard.h"

#include <QAbstractButton>

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <vector>

class QLabel;

namespace brisel {

class BriselHelpBubble;
class PanelOperationError;

// The model's energy-mode state the card reads.
struct EnergyModeState {
    std::vector<EnergyMode> availableModes; // in the model's order
    EnergyMode current = EnergyMode::automatic;
    bool busy = false;
    std::optional<QString> feedbackError;
    std::uint64_t feedbackErrorAttempt = 0; // the request the error came from

    bool operator==(const EnergyModeState&) const = default;
};

struct EnergyModeActions {
    std::function<void(EnergyMode)> setEnergyMode;
};

// The pills the card holds: the offered modes and, in its place, a current mode the machine does
// not offer (set outside the application), so the mode it is in always shows. Nothing while
// nothing is offered.
std::vector<EnergyMode> shownEnergyModes(const EnergyModeState& state);

// The symbol colour of a pill: the mode's own colour when selected, secondary otherwise.
QColor energyModeIconColor(EnergyMode mode, bool selected, bool dark, const QPalette& palette);

// One mode of the card ("energy-mode-<raw value>"): its symbol and name, checked while it is the
// current mode. It paints its own text, shrinking a long name to 0.82 before eliding it.
class EnergyModePill : public QAbstractButton {
    Q_OBJECT

public:
    EnergyModePill(ViewContext context, EnergyMode mode, QWidget* parent = nullptr);

    EnergyMode mode() const { return mode_; }
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void nextCheckState() override {}
    void paintEvent(QPaintEvent* event) override;

private:
    ViewContext context_;
    EnergyMode mode_;
};

// The panel card that switches the system energy mode: one pill per offered mode in a well, a lens
// behind the current one that slides when the mode changes, a line while a change is applied, and
// the energy error. Every activation asks the model, also for the current mode.
class EnergyModeCard : public SectionCard {
    Q_OBJECT

public:
    explicit EnergyModeCard(ViewContext context, QWidget* parent = nullptr);

    void sync(const EnergyModeState& state);
    void setActions(EnergyModeActions actions) { actions_ = std::move(actions); }
    EnergyModePill* pill(EnergyMode mode) const;
    // Where the lens is drawn now, in the pill row's coordinates.
    QRectF lensRect() const;

protected:
    void appearanceChanged() override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void apply();
    // Lays the row out anew for the modes it shows.
    void relayoutPills(const std::vector<EnergyMode>& modes);
    void paintRow(QPainter& painter);
    QRectF selectedPillRect() const;

    EnergyModeState state_;
    EnergyModeActions actions_;
    QWidget* row_;
    std::map<EnergyMode, EnergyModePill*> pills_;
    std::vector<EnergyMode> shownModes_; // the modes the row holds, in order
    QLabel* applying_;
    PanelOperationError* error_;
    BriselHelpBubble* bubble_;
    bool scopeBubbleWanted_ = true; // the pills' focus came by keyboard (or by the program) since shown
    std::optional<EnergyMode> lensMode_;
    QRectF lensFrom_;
    AnimatedValue lensTravel_;
};

} // namespace brisel

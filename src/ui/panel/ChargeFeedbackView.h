#pragma once

#include "ui/design/ViewContext.h"

#include <QString>
#include <QWidget>

#include <cstdint>
#include <optional>

class QLabel;

namespace brisel {

class Localizer;
class PanelOperationError;

// The model's charge-operation state the feedback lines read.
struct ChargeFeedbackState {
    std::optional<QString> operationStatus; // "charge.applying", "charge.waitingRecovery", "charge.retrying"
    int operationTarget = 0;
    std::optional<int> currentLimit;
    std::optional<QString> feedbackError;
    bool temporaryFullChargeActive = false;
    int registeredTarget = 0;
    std::uint64_t feedbackErrorAttempt = 0; // the request the error came from

    bool operator==(const ChargeFeedbackState&) const = default;
};

// The three optional lines, as texts; none where a line is not shown.
struct ChargeFeedbackLines {
    std::optional<QString> status;
    std::optional<QString> error;
    std::optional<QString> temporary;
    QString temporaryHelp;
};

// `compact` is the panel's form: shorter "panel." texts, and no temporary line under a status.
ChargeFeedbackLines presentChargeFeedback(const ChargeFeedbackState& state, const Localizer& l10n,
                                          bool compact);

// The lines under the charge controls: the running, waiting or retrying operation
// ("charge-operation-status"), the charging error, and the one-off full charge
// ("temporary-charge-intent"). Nothing shows while there is nothing to report.
class ChargeFeedbackView : public QWidget {
    Q_OBJECT

public:
    ChargeFeedbackView(ViewContext context, bool compact, QWidget* parent = nullptr);

    void sync(const ChargeFeedbackState& state);

protected:
    void changeEvent(QEvent* event) override;

private:
    void apply();

    ViewContext context_;
    bool compact_;
    ChargeFeedbackState state_;
    QLabel* status_;
    PanelOperationError* error_;
    QLabel* temporary_;
};

} // namespace brisel

#pragma once

// What the model needs of the set-up wizard's coordinator. The coordinator itself lives in the
// wizard's library, which builds on the model; the model reaches it only through this interface
// and makes it through the factory it is given (see AppModel.h).

#include "async/Task.h"
#include "services/onboarding-state/OnboardingState.h"

#include <QObject>

namespace brisel {

class OnboardingCoordinatorInterface : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;

    // The wizard's current record.
    virtual const OnboardingRecord& record() const = 0;
    // The wizard must be shown: the record is neither completed nor an existing user's, or a
    // storage error is shown.
    virtual bool requiresSetup() const = 0;
    // Marks a keep-awake stop as owed (with whether closed-lid sleep must be restored too) and
    // persists the record; the task yields whether it was written.
    virtual Task<bool> recordStopRequested(bool lidRequired) = 0;
    // Marks the stop as done and persists the record; yields whether it was written.
    virtual Task<bool> recordStopConfirmed() = 0;
    // Ends once no save of the record is pending.
    virtual Task<void> waitForPersistence() = 0;

signals:
    // The coordinator's published state changed; the model relays it as its own change.
    void changed();
};

} // namespace brisel

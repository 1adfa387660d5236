#include "ChargeOverrideDetector.h"

namespace brisel {

ChargeOverrideEvidence ChargeOverrideDetector::evidence(const ChargeOverrideInputs& in) {
    if (!in.limitEnabled) return ChargeOverrideEvidence::none;
    if (in.darwinState && *in.darwinState != 0) return ChargeOverrideEvidence::darwin;
    // Only the limits the system offers for the override (80...99) can be overridden this way.
    if (!in.limit || *in.limit < 80 || *in.limit > 99) return ChargeOverrideEvidence::none;
    if (!in.externalConnected || !in.isCharging || !in.percent) return ChargeOverrideEvidence::none;
    if (*in.limit < *in.percent && *in.percent < 100) return ChargeOverrideEvidence::packOnly;
    return ChargeOverrideEvidence::none;
}

ChargeOverrideSignal ChargeOverrideDebouncer::update(const ChargeOverrideInputs& inputs, double now) {
    switch (ChargeOverrideDetector::evidence(inputs)) {
    case ChargeOverrideEvidence::darwin:
        packHoldStartedAt.reset();
        return ChargeOverrideSignal::confirmed;
    case ChargeOverrideEvidence::packOnly:
        if (!packHoldStartedAt) packHoldStartedAt = now;
        return now - *packHoldStartedAt >= requiredPackHold ? ChargeOverrideSignal::inferred
                                                            : ChargeOverrideSignal::none;
    case ChargeOverrideEvidence::none:
        break;
    }
    packHoldStartedAt.reset();
    return ChargeOverrideSignal::none;
}

} // namespace brisel

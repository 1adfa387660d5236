#include "app/ActivationPolicy.h"

namespace brisel {

ActivationPolicy& ActivationPolicy::shared() {
    static ActivationPolicy* const policy = new ActivationPolicy(); // lives as long as the process
    return *policy;
}

void ActivationPolicy::apply(bool showDockIcon) {
    kind_ = showDockIcon ? Kind::regular : Kind::accessory;
    emit changed();
    if (showDockIcon) emit activationRequested();
}

} // namespace brisel

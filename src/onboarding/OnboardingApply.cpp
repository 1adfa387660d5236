// The wizard's application run.

#include "OnboardingCoordinator.h"

namespace brisel {

Task<void> OnboardingCoordinator::apply() { co_return; }

} // namespace brisel

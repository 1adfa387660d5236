// The wizard's prerequisite actions: the helper, the login item, the reminder and its permission,
// the settings panes, the test notification and the usual network.

#include "OnboardingCoordinator.h"

namespace brisel {

Task<void> OnboardingCoordinator::installHelper() { co_return; }
Task<void> OnboardingCoordinator::chooseLogin(bool) { co_return; }
Task<void> OnboardingCoordinator::chooseReminder(bool) { co_return; }
Task<void> OnboardingCoordinator::openSettings(bool) { co_return; }
Task<void> OnboardingCoordinator::testNotification() { co_return; }
Task<void> OnboardingCoordinator::rememberNetwork() { co_return; }

} // namespace brisel

#include "app/HostedViews.h"

namespace brisel {

// The one place where the program picks its views; each real view replaces its stand-in here.
HostedViews applicationViews() {
    return HostedViews::placeholders();
}

} // namespace brisel

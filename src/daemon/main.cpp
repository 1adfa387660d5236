#include "HelperServer.h"

// brisel-helper takes no arguments or options and reads no environment: everything it needs is
// fixed at build time.
int main() {
    brisel::runHelperServer(brisel::HelperConfig{});
}

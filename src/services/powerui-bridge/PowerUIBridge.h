#pragma once

// The flat C bridge to the private power framework's smart-charge client. Every function but
// brisel_powerui_free returns 0 on success and -1 on failure (the two queries return 1 or 0). On
// failure, when `error` is not NULL, it receives a newly allocated UTF-8 text that the caller
// releases with brisel_powerui_free; on success it is left untouched. Framework exceptions never
// escape: they become error texts. Calls must be serialised by the caller.

#include <stdint.h>

#ifdef __cplusplus
#include <memory>

namespace brisel {
class PowerFrameworkLoader;

// Makes the bridge load the framework through `loader` from now on (the application installs the
// platform's). The client is then looked for again, once, on the next call; a null loader makes
// the framework absent, as it is on a system that does not have it, and so is it until the first
// loader is installed. Not for use while another bridge call is running.
void installPowerFrameworkLoader(std::shared_ptr<PowerFrameworkLoader> loader);
} // namespace brisel

extern "C" {
#endif

int brisel_powerui_supported(void);
int brisel_powerui_temporary_full_supported(void);
int brisel_powerui_available_limits(int32_t* limits, int32_t capacity, int32_t* count, char** error);
int brisel_powerui_get(int32_t* limit, int32_t* enabled, char** error);
int brisel_powerui_set(int32_t limit, char** error);
int brisel_powerui_disable(char** error);
int brisel_powerui_charge_to_full_now(char** error);
void brisel_powerui_free(void* pointer);

#ifdef __cplusplus
}
#endif

#include "UiTestSupport.h"

#include "ui/settings/SettingsRules.h"

#include <gtest/gtest.h>

namespace brisel {
namespace {

} // namespace
} // namespace brisel

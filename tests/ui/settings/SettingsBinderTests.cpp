#include "ModelFixture.h"
#include "UiTestSupport.h"

#include "ui/settings/SettingsBinder.h"

#include <gtest/gtest.h>

namespace brisel {
namespace {

} // namespace
} // namespace brisel

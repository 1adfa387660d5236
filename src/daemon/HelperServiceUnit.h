#pragma once

#include <string_view>

namespace brisel {

// How Linux runs brisel-helper: as a systemd service that starts at boot and is started again
// after a crash or a kill, because only a running helper ends a lease; each start begins with the
// off run. The helper is installed beside the power tool, in a folder only root can change.
inline constexpr std::string_view kHelperInstalledPath = "/usr/local/libexec/brisel/brisel-helper";
inline constexpr std::string_view kHelperServiceUnitPath = "/etc/systemd/system/brisel-helper.service";

// Never given up on (no start limit); a stop sends SIGTERM to the helper alone (KillMode=mixed),
// so a power-tool run in progress ends normally before the helper's own off run.
inline constexpr std::string_view kHelperServiceUnit = R"([Unit]
Description=Brisel helper: keeps the machine awake only under a lease the app renews
StartLimitIntervalSec=0

[Service]
Type=simple
ExecStart=/usr/local/libexec/brisel/brisel-helper
User=root
Restart=always
RestartSec=1
KillMode=mixed

[Install]
WantedBy=multi-user.target
)";

} // namespace brisel

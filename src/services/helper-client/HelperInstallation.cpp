// Installing and removing the helper: one administrator script each, so the user answers one
// prompt per operation.

#include "HelperManager.h"
#include "Sha256.h"
#include "shared/helper-protocol/HelperSocketPath.h"

#include <unistd.h>

#include <initializer_list>

namespace brisel {

namespace {

bool isExecutableFile(const std::filesystem::path& path) {
    std::error_code ignored;
    return std::filesystem::is_regular_file(path, ignored) && ::access(path.c_str(), X_OK) == 0;
}

std::string joinedLines(std::initializer_list<std::string> lines) {
    std::string script;
    for (const std::string& line : lines) {
        if (!script.empty()) script += '\n';
        script += line;
    }
    return script;
}

} // namespace

std::string HelperManager::shellQuoted(std::string_view value) {
    std::string quoted = "'";
    for (const char c : value) {
        if (c == '\'')
            quoted += "'\\''";
        else
            quoted += c;
    }
    return quoted + "'";
}

std::optional<std::string> HelperManager::bundledHelperPath() const {
    for (const std::filesystem::path& candidate :
         {environment_.resourceDirectory / bundledHelperName,
          environment_.bundleDirectory / "Contents" / "Resources" / bundledHelperName}) {
        if (isExecutableFile(candidate)) return candidate.string();
    }
    return std::nullopt;
}

std::string HelperManager::installationScript(const std::string& helper, const std::string& sha256) {
    const std::string installed = shellQuoted(installedBinary);
    const std::string plist = shellQuoted(installedPlist);
    const std::string service = std::string("system/") + label;
    return joinedLines({
        "set -eu",
        "/bin/mkdir -p /Library/PrivilegedHelperTools",
        "stage=$(/usr/bin/mktemp -d /Library/PrivilegedHelperTools/.brisel-install.XXXXXX)",
        "trap '/bin/rm -rf \"$stage\"' EXIT",
        "/bin/chmod 700 \"$stage\"",
        "/usr/bin/install -m 755 -o root -g wheel " + shellQuoted(helper) + " \"$stage/helper\"",
        "actual=$(/usr/bin/shasum -a 256 \"$stage/helper\" | /usr/bin/awk '{print $1}')",
        "[ \"$actual\" = " + shellQuoted(sha256) + " ]",
        "/usr/bin/codesign --verify --strict --all-architectures \"$stage/helper\"",
        "/bin/cat > \"$stage/helper.plist\" <<'BRISEL_PLIST'",
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>",
        "<plist version=\"1.0\"><dict>",
        "<key>Label</key><string>com.brisel.helper</string>",
        "<key>ProgramArguments</key><array><string>/Library/PrivilegedHelperTools/com.brisel.helper</"
        "string></array>",
        "<key>RunAtLoad</key><true/><key>KeepAlive</key><true/>",
        "<key>ProcessType</key><string>Background</string>",
        "</dict></plist>",
        "BRISEL_PLIST",
        "/usr/bin/plutil -lint \"$stage/helper.plist\"",
        "/usr/bin/install -m 755 -o root -g wheel \"$stage/helper\" " + installed,
        "/usr/bin/codesign --verify --strict --all-architectures " + installed,
        "/usr/bin/install -m 644 -o root -g wheel \"$stage/helper.plist\" " + plist,
        "/bin/launchctl bootout " + service + " 2>/dev/null || true",
        "/bin/launchctl bootstrap system " + plist,
        "/bin/launchctl kickstart -k " + service,
    });
}

const std::string& HelperManager::uninstallationScript() {
    static const std::string script = [] {
        const std::string service = std::string("system/") + label;
        return joinedLines({
            "set -eu",
            "/usr/bin/pmset -a disablesleep 0",
            "if /bin/launchctl bootout " + service + "; then",
            "    :",
            "else",
            "    brisel_bootout_status=$?",
            "    if /bin/launchctl print " + service + " >/dev/null 2>&1; then",
            "        exit \"$brisel_bootout_status\"",
            "    else",
            "        brisel_print_status=$?",
            "        [ \"$brisel_print_status\" -eq 113 ] || exit \"$brisel_bootout_status\"",
            "    fi",
            "fi",
            "/usr/bin/pmset -a disablesleep 0",
            "/bin/rm -f " + shellQuoted(installedPlist) + " " + shellQuoted(installedBinary) + " " +
                shellQuoted(kHelperSocketPath),
        });
    }();
    return script;
}

HelperResult<void> HelperManager::install() const {
    const std::optional<std::string> helper = bundledHelperPath();
    // Named by the folder looked in, as the program knows it: there is no application bundle here.
    if (!helper)
        return HelperError{"helper binary missing from " +
                           environment_.resourceDirectory.filename().string()};
    const std::optional<std::string> digest = Sha256::hexDigestOfFile(*helper);
    if (!digest) return HelperError{"helper binary cannot be read"};
    return runPrivileged(installationScript(*helper, *digest));
}

HelperResult<void> HelperManager::uninstall() const {
    return runPrivileged(uninstallationScript());
}

} // namespace brisel

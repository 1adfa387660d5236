// Runs the helper's server with a configuration taken from the command line, so tests can point it
// at their own socket and a recording fake tool, and shorten its times. Built for tests only; the
// shipped brisel-helper takes no options.
//
//   brisel-helper-testhost --socket PATH --tool PATH [--lease S] [--tick S] [--request-timeout S]
//                          [--reply-timeout S] [--tool-timeout S] [--console-uid N|none]
//                          [--lease-clock-skew FILE] [--allow-nonroot]
//
// With --lease-clock-skew the lease clock runs ahead of the monotonic clock by the number of
// seconds written in FILE (none while it is missing or unreadable), so a test lets a lease lapse by
// writing to the file instead of waiting for it.

#include "HelperServer.h"
#include "shared/helper-protocol/BoundedIO.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <string>

namespace {

[[noreturn]] void usage(const std::string& problem) {
    std::fprintf(stderr, "brisel-helper-testhost: %s\n", problem.c_str());
    std::exit(2);
}

double seconds(const std::string& text) {
    std::size_t used = 0;
    double value = 0;
    try {
        value = std::stod(text, &used);
    } catch (const std::exception&) {
        usage("not a number of seconds: " + text);
    }
    if (used != text.size() || !(value > 0)) usage("not a number of seconds: " + text);
    return value;
}

double skewFrom(const std::string& file) {
    double skew = 0;
    std::ifstream(file) >> skew;
    return skew;
}

} // namespace

int main(int argc, char** argv) {
    brisel::HelperConfig config;
    config.socketPath.clear();
    config.toolPath.clear();
    const std::map<std::string, double*> durations = {
        {"--lease", &config.leaseDuration},
        {"--tick", &config.tick},
        {"--request-timeout", &config.requestTimeout},
        {"--reply-timeout", &config.replyTimeout},
        {"--tool-timeout", &config.toolTimeout},
    };
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        if (option == "--allow-nonroot") {
            config.requireRoot = false;
            continue;
        }
        if (i + 1 >= argc) usage("missing value for " + option);
        const std::string value = argv[++i];
        if (option == "--socket") {
            config.socketPath = value;
        } else if (option == "--tool") {
            config.toolPath = value;
        } else if (option == "--console-uid") {
            const std::optional<uid_t> uid =
                value == "none" ? std::nullopt : std::optional<uid_t>(static_cast<uid_t>(std::stoul(value)));
            config.consoleUser = [uid] { return uid; };
        } else if (option == "--lease-clock-skew") {
            config.leaseClock = [value] { return brisel::BoundedIO::now() + skewFrom(value); };
        } else if (const auto found = durations.find(option); found != durations.end()) {
            *found->second = seconds(value);
        } else {
            usage("unknown option " + option);
        }
    }
    if (config.socketPath.empty() || config.toolPath.empty()) usage("--socket and --tool are required");
    brisel::runHelperServer(config);
}

#include "HelperCommand.h"

#include "shared/helper-protocol/HelperCapabilities.h"
#include "shared/helper-protocol/Utf8.h"

#include <algorithm>
#include <iterator>
#include <optional>

namespace brisel {

namespace {

bool isOneOf(const std::string& word, std::initializer_list<std::string_view> allowed) {
    return std::find(allowed.begin(), allowed.end(), word) != allowed.end();
}

std::string replyForRun(const ToolResult& result) {
    return result.status == 0 ? "ok" : toolFailureReply(result);
}

} // namespace

std::string toolFailureReply(const ToolResult& result) {
    return "err rc=" + std::to_string(result.status) + " " + utf8::trimWhitespace(result.output);
}

std::string handleCommand(std::string_view line, const PowerToolRunner& runPmset,
                          const LeaseGranter& enableLease) {
    const std::vector<std::string> words = utf8::splitWords(line);
    if (words.empty()) return "err empty-command";
    const std::string& command = words.front();
    const std::vector<std::string> args(words.begin() + 1, words.end());

    if (command == "capabilities" || command == "ping") {
        if (!args.empty()) return "err bad-args";
        return command == "ping" ? std::string("ok") : std::string(HelperCapabilities::response);
    }
    if (command == "set_disablesleep") {
        if (args.size() != 1 || !isOneOf(args[0], {"0", "1"})) return "err bad-args";
        // Sleep may only be disabled under a lease, so a vanished app cannot leave it off.
        if (args[0] == "1") return "err lease-required";
        return replyForRun(runPmset({"-a", "disablesleep", "0"}));
    }
    if (command == "lease_disablesleep") {
        if (args.size() != 1 || args[0] != "1") return "err bad-args";
        return enableLease ? enableLease() : std::string("err lease-required");
    }
    if (command == "set_powermode") {
        if (args.size() != 1 || !isOneOf(args[0], {"0", "1", "2"})) return "err bad-args";
        return replyForRun(runPmset({"-a", "powermode", args[0]}));
    }
    return "err unknown-command";
}

} // namespace brisel

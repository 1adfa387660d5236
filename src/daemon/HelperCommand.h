#pragma once

#include "shared/helper-protocol/BoundedIO.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace brisel {

// The outcome of one power-tool run: its exit status (negative for the runner's own failures)
// and its combined standard output and error.
using ToolResult = BoundedIO::ProcessResult;

// Runs the power-management tool with the given arguments.
using PowerToolRunner = std::function<ToolResult(const std::vector<std::string>&)>;
// Grants or renews the sleep lease and returns the reply text.
using LeaseGranter = std::function<std::string()>;

// Turns one request line into one reply text (without its line feed). Every effect goes through
// the two functions, so the handler itself keeps no state; an empty `enableLease` refuses leases.
std::string handleCommand(std::string_view line, const PowerToolRunner& runPmset,
                          const LeaseGranter& enableLease);

// "err rc=<status> <output trimmed at both ends>", the reply for a failed tool run.
std::string toolFailureReply(const ToolResult& result);

} // namespace brisel

#pragma once

// Blocking process and socket operations that never wait past a deadline. Compiled into both the
// application and the root helper, so it uses only the standard library and POSIX. Nothing here
// throws; every failure comes back as false, std::nullopt or a negative status with a text.
// Every call blocks its thread: call it from a worker queue, never from the main thread.

#include <poll.h>
#include <signal.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace brisel::BoundedIO {

// Event bits for `ready` (the poll(2) bits).
inline constexpr short readable = POLLIN;
inline constexpr short writable = POLLOUT;

// Longest request or reply line `readLine` accepts by default, newline not counted.
inline constexpr std::size_t defaultLineLimit = 4096;
// How much of a child's combined output `run` keeps; the rest is read and dropped.
inline constexpr std::size_t outputLimit = 65536;

// The outcome of `run`. A status of 0 or more is the child's own: its exit code, or the number of
// the signal that ended it. Negative statuses are the runner's: -1 for a launch failure, a confirmed
// time-out or a child whose status was taken by someone else; -2 for a time-out whose end could not
// be confirmed.
struct ProcessResult {
    std::int32_t status = 0;
    std::string output;

    bool operator==(const ProcessResult&) const = default;
};

// The runner's fixed waits. Production code keeps the defaults; tests shorten the confirmation wait
// and may stand in a harmless signal to reach the unconfirmed-end path.
struct RunLimits {
    double killConfirmation = 2.0; // seconds to wait for the child's end after the kill
    int killSignal = SIGKILL;
    // The child's whole environment ("NAME=value" entries); none passes on this process's own.
    std::optional<std::vector<std::string>> environment = std::nullopt;
};

// Seconds on the monotonic clock (CLOCK_MONOTONIC). Every deadline below is an absolute value on it.
double now();

// Adds O_NONBLOCK to the descriptor's status flags; failures are ignored.
void nonblocking(int fd);

// Waits until the descriptor reports one of `events` or a hang-up, or the deadline passes. No single
// wait lasts more than 100 ms. An error indication alone, or a poll failure, answers false.
bool ready(int fd, short events, double deadline);

// Reads one line from a non-blocking socket: the bytes before the first newline, as valid UTF-8.
// Bytes after the newline are consumed and dropped. Nothing comes back when the deadline passes, the
// peer closes first, a read fails, more than `maxBytes` arrive before the newline or the line is not
// valid UTF-8. The descriptor is never closed.
std::optional<std::string> readLine(int fd, double deadline, std::size_t maxBytes = defaultLineLimit);

// Sends the line and one newline on a non-blocking socket without raising SIGPIPE. True only when
// every byte went out before the deadline. The descriptor is never closed.
bool writeLine(int fd, std::string_view line, double deadline);

// Runs the executable at `executable` (no search path) with `arguments`, standard output and
// standard error joined in one pipe, and collects at most `outputLimit` bytes of it, decoded as
// UTF-8 with bad sequences replaced by U+FFFD. Without a time-out the call waits for the child
// however long it runs. At the time-out the child is killed and the result is
// (-1, "process timed out"), or (-2, "process termination could not be confirmed") when its end is
// not seen within `limits.killConfirmation`. A child that cannot be started yields
// (-1, "spawn failed: " + the system's description).
ProcessResult run(const std::string& executable, const std::vector<std::string>& arguments,
                  std::optional<double> timeout, const RunLimits& limits = {});

} // namespace brisel::BoundedIO

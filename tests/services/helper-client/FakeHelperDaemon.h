#pragma once

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace brisel::test {

// A stand-in for brisel-helper on a socket of the test's own, answering each request line as the
// test says: it gives the replies the real helper never gives (old helpers, broken replies,
// silence).
class FakeHelperDaemon {
public:
    struct Answer {
        enum class Kind { send, close, hold } kind = Kind::send;
        std::string bytes; // sent as they are, then the connection is closed

        static Answer line(std::string text) { return {Kind::send, std::move(text) + "\n"}; }
        static Answer raw(std::string bytes) { return {Kind::send, std::move(bytes)}; }
        static Answer closeWithoutReply() { return {Kind::close, {}}; }
        // Keeps the connection open and silent until the client gives up.
        static Answer silence() { return {Kind::hold, {}}; }
    };
    using Responder = std::function<Answer(const std::string& request)>;

    FakeHelperDaemon(std::string path, Responder responder);
    ~FakeHelperDaemon();
    FakeHelperDaemon(const FakeHelperDaemon&) = delete;
    FakeHelperDaemon& operator=(const FakeHelperDaemon&) = delete;

    // The request lines received so far, without their newlines.
    std::vector<std::string> requests() const;

    static Answer alwaysOk(const std::string&) { return Answer::line("ok"); }

private:
    void serve();
    bool wait(int fd, int milliseconds) const; // readable before the time or the stop
    void answer(int client);

    std::string path_;
    Responder responder_;
    int listener_ = -1;
    int stopPipe_[2] = {-1, -1};
    mutable std::mutex mutex_;
    std::vector<std::string> requests_;
    std::thread thread_;
};

} // namespace brisel::test

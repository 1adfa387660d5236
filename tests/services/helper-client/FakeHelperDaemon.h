#pragma once

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace brisel::test {

// A stand-in for brisel-helper on a socket of the test's own, answering each request line as the
// test says. It lets tests reach the replies the real helper never gives (old helpers, broken
// replies, silence).
class FakeHelperDaemon {
public:
    struct Answer {
        enum class Kind {
            send,  // send `bytes` as they are (a reply line carries its own newline), then close
            close, // close without a reply
            hold,  // keep the connection open and silent until the client gives up
        };
        Kind kind = Kind::send;
        std::string bytes;

        static Answer line(std::string text) { return {Kind::send, std::move(text) + "\n"}; }
        static Answer raw(std::string bytes) { return {Kind::send, std::move(bytes)}; }
        static Answer closeWithoutReply() { return {Kind::close, {}}; }
        static Answer silence() { return {Kind::hold, {}}; }
    };
    using Responder = std::function<Answer(const std::string& request)>;

    // Listens on `path` at once; answers every request with `responder`.
    FakeHelperDaemon(std::string path, Responder responder);
    ~FakeHelperDaemon();
    FakeHelperDaemon(const FakeHelperDaemon&) = delete;
    FakeHelperDaemon& operator=(const FakeHelperDaemon&) = delete;

    // The request lines received so far, without their newlines.
    std::vector<std::string> requests() const;

    // Answers "ok" to everything.
    static Answer alwaysOk(const std::string&) { return Answer::line("ok"); }

private:
    void serve();
    void answer(int client);

    std::string path_;
    Responder responder_;
    int listener_ = -1;
    int stopPipe_[2] = {-1, -1};
    std::atomic<bool> stopping_{false};
    mutable std::mutex mutex_;
    std::vector<std::string> requests_;
    std::thread thread_;
};

} // namespace brisel::test

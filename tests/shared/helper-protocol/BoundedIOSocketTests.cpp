#include "BoundedIO.h"

#include "TestEnvironment.h"

#include <sys/socket.h>
#include <unistd.h>

#include <cmath>
#include <csignal>
#include <thread>

namespace brisel {
namespace {

// A connected stream socket pair: `local` is non-blocking as the callers make it; the test plays
// the peer on the blocking `peer` end.
class SocketPairTest : public test::TestEnvironment {
protected:
    void SetUp() override {
        test::TestEnvironment::SetUp();
        int fds[2];
        ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds), 0);
        local = fds[0];
        peer = fds[1];
        BoundedIO::nonblocking(local);
    }
    void TearDown() override {
        closePeer();
        ::close(local);
        test::TestEnvironment::TearDown();
    }
    void send(const std::string& bytes) {
        ASSERT_EQ(::write(peer, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    }
    void closePeer() {
        if (peer >= 0) ::close(peer);
        peer = -1;
    }
    static double in(double seconds) { return BoundedIO::now() + seconds; }

    int local = -1;
    int peer = -1;
};

TEST_F(SocketPairTest, ReadLineTakesTheFirstLineWithinItsLimits) {
    const std::string longest(4096, 'a');
    struct Case {
        const char* name;
        std::string sent;
        std::size_t maxBytes;
        std::optional<std::string> expected;
    };
    const Case cases[] = {
        {"plain line", "ok\n", 4096, "ok"},
        {"empty line", "\n", 4096, ""},
        {"carriage return stays", "ok\r\n", 4096, "ok\r"},
        {"limit exactly", longest + "\n", 4096, longest},
        {"one byte past the limit", longest + "b\n", 4096, std::nullopt},
        {"small limit exactly", "abc\n", 3, "abc"},
        {"small limit exceeded", "abcd\n", 3, std::nullopt},
        {"line spans several reads", std::string(1500, 'x') + "\n", 4096, std::string(1500, 'x')},
        {"multibyte text",
         "gr\xC3\xBC\xC3\x9F"
         "e \xE2\x9C\x93 \xF0\x9D\x84\x9E\n",
         4096,
         "gr\xC3\xBC\xC3\x9F"
         "e \xE2\x9C\x93 \xF0\x9D\x84\x9E"},
        {"stray continuation byte", "o\x80k\n", 4096, std::nullopt},
        {"overlong slash", "\xC0\xAF\n", 4096, std::nullopt},
        {"surrogate", "\xED\xA0\x80\n", 4096, std::nullopt},
        {"past the last code point", "\xF4\x90\x80\x80\n", 4096, std::nullopt},
        {"cut-off sequence", "ok\xE2\x82\n", 4096, std::nullopt},
        {"peer closes before the newline", "ok", 4096, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TearDown();
        SetUp();
        send(c.sent);
        closePeer();
        EXPECT_EQ(BoundedIO::readLine(local, in(5), c.maxBytes), c.expected);
    }
}

TEST_F(SocketPairTest, ReadLineDropsWhatFollowsTheNewline) {
    send("ok\nsecond line\n");
    EXPECT_EQ(BoundedIO::readLine(local, in(5)), "ok");
    closePeer();
    // The second line arrived in the same chunk and went with the first.
    EXPECT_EQ(BoundedIO::readLine(local, in(5)), std::nullopt);
}

TEST_F(SocketPairTest, SilentPeerTimesOutShortlyAfterTheDeadline) {
    const double start = BoundedIO::now();
    EXPECT_EQ(BoundedIO::readLine(local, start + 0.2), std::nullopt);
    const double elapsed = BoundedIO::now() - start;
    EXPECT_GE(elapsed, 0.2);
    EXPECT_LT(elapsed, 0.2 + test::kSlack);
}

TEST_F(SocketPairTest, PastOrMeaninglessDeadlinesFailAtOnce) {
    send("ok\n");
    const double start = BoundedIO::now();
    for (double deadline : {start - 1, start, std::nan("")}) {
        EXPECT_FALSE(BoundedIO::ready(local, BoundedIO::readable, deadline));
        EXPECT_EQ(BoundedIO::readLine(local, deadline), std::nullopt);
        EXPECT_FALSE(BoundedIO::writeLine(local, "hello", deadline));
    }
    EXPECT_LT(BoundedIO::now() - start, test::kSlack);
    // Nothing was consumed.
    EXPECT_EQ(BoundedIO::readLine(local, in(5)), "ok");
}

TEST_F(SocketPairTest, ReadyCountsHangUpButNotAnInvalidDescriptor) {
    EXPECT_TRUE(BoundedIO::ready(local, BoundedIO::writable, in(1)));
    closePeer();
    EXPECT_TRUE(BoundedIO::ready(local, BoundedIO::readable, in(1)));

    const int closed = ::dup(local);
    ::close(closed);
    const double start = BoundedIO::now();
    EXPECT_FALSE(BoundedIO::ready(closed, BoundedIO::readable, start + 60));
    EXPECT_LT(BoundedIO::now() - start, test::kSlack);
}

TEST_F(SocketPairTest, WriteLineSendsEveryByteAndOneNewline) {
    // Far more than the socket buffer holds, so the line goes out over many sends.
    const std::string line = "err rc=1 two\n" + std::string(1 << 20, 'z');
    std::string received;
    std::thread reader([&] {
        char buffer[65536];
        ssize_t n;
        while ((n = ::read(peer, buffer, sizeof buffer)) > 0)
            received.append(buffer, static_cast<std::size_t>(n));
    });
    EXPECT_TRUE(BoundedIO::writeLine(local, line, in(10)));
    ::shutdown(local, SHUT_WR);
    reader.join();
    EXPECT_EQ(received, line + "\n");
}

TEST_F(SocketPairTest, WriteLineGivesUpAtTheDeadlineWhenThePeerDoesNotRead) {
    const std::string line(1 << 20, 'z'); // far more than the socket buffer holds
    const double start = BoundedIO::now();
    EXPECT_FALSE(BoundedIO::writeLine(local, line, start + 0.2));
    EXPECT_LT(BoundedIO::now() - start, 0.2 + test::kSlack);
}

TEST_F(SocketPairTest, WriteLineToAClosedPeerFailsWithoutSigpipe) {
    // With the default disposition a SIGPIPE would end the test program.
    const auto previous = std::signal(SIGPIPE, SIG_DFL);
    closePeer();
    EXPECT_FALSE(BoundedIO::writeLine(local, "ok", in(1)));
    std::signal(SIGPIPE, previous);
}

} // namespace
} // namespace brisel

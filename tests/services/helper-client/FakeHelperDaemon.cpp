#include "FakeHelperDaemon.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <stdexcept>

namespace brisel::test {

FakeHelperDaemon::FakeHelperDaemon(std::string path, Responder responder)
    : path_(std::move(path)), responder_(std::move(responder)) {
    listener_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path_.size() >= sizeof address.sun_path)
        throw std::runtime_error("socket path too long for the test");
    std::memcpy(address.sun_path, path_.data(), path_.size());
    ::unlink(path_.c_str());
    if (listener_ < 0 ||
        ::bind(listener_, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listener_, 16) != 0 || ::pipe2(stopPipe_, O_CLOEXEC) != 0) {
        throw std::runtime_error(std::string("fake helper cannot listen: ") + std::strerror(errno));
    }
    thread_ = std::thread([this] { serve(); });
}

FakeHelperDaemon::~FakeHelperDaemon() {
    stopping_ = true;
    const char byte = 0;
    (void)!::write(stopPipe_[1], &byte, 1);
    thread_.join();
    ::close(listener_);
    ::close(stopPipe_[0]);
    ::close(stopPipe_[1]);
    ::unlink(path_.c_str());
}

std::vector<std::string> FakeHelperDaemon::requests() const {
    std::lock_guard guard(mutex_);
    return requests_;
}

void FakeHelperDaemon::serve() {
    while (!stopping_) {
        pollfd entries[2] = {{listener_, POLLIN, 0}, {stopPipe_[0], POLLIN, 0}};
        if (::poll(entries, 2, -1) < 0) continue;
        if (entries[1].revents) return;
        const int client = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        if (client < 0) continue;
        answer(client);
        ::close(client);
    }
}

void FakeHelperDaemon::answer(int client) {
    std::string request;
    char c = 0;
    // The client sends its line at once; a short wait is enough and keeps a broken test from hanging.
    for (;;) {
        pollfd entries[2] = {{client, POLLIN, 0}, {stopPipe_[0], POLLIN, 0}};
        if (::poll(entries, 2, 5000) <= 0 || entries[1].revents) return;
        if (::read(client, &c, 1) != 1) return;
        if (c == '\n') break;
        request += c;
    }
    {
        std::lock_guard guard(mutex_);
        requests_.push_back(request);
    }
    const Answer reply = responder_(request);
    switch (reply.kind) {
    case Answer::Kind::send: {
        std::size_t offset = 0;
        while (offset < reply.bytes.size()) {
            const ssize_t sent =
                ::send(client, reply.bytes.data() + offset, reply.bytes.size() - offset, MSG_NOSIGNAL);
            if (sent <= 0) return;
            offset += static_cast<std::size_t>(sent);
        }
        return;
    }
    case Answer::Kind::close:
        return;
    case Answer::Kind::hold:
        // Until the client hangs up (its deadline) or the test ends.
        for (;;) {
            pollfd entries[2] = {{client, POLLIN, 0}, {stopPipe_[0], POLLIN, 0}};
            if (::poll(entries, 2, -1) < 0) continue;
            if (entries[1].revents) return;
            if (::read(client, &c, 1) <= 0) return;
        }
    }
}

} // namespace brisel::test

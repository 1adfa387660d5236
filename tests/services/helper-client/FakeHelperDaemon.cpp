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
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path_.c_str(), sizeof address.sun_path - 1);
    ::unlink(path_.c_str());
    listener_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (listener_ < 0 ||
        ::bind(listener_, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listener_, 16) != 0 || ::pipe2(stopPipe_, O_CLOEXEC) != 0) {
        throw std::runtime_error(std::string("fake helper cannot listen: ") + std::strerror(errno));
    }
    thread_ = std::thread([this] { serve(); });
}

FakeHelperDaemon::~FakeHelperDaemon() {
    const char byte = 0;
    (void)!::write(stopPipe_[1], &byte, 1); // stays readable: every wait sees the stop
    thread_.join();
    for (const int fd : {listener_, stopPipe_[0], stopPipe_[1]})
        ::close(fd);
    ::unlink(path_.c_str());
}

std::vector<std::string> FakeHelperDaemon::requests() const {
    std::lock_guard guard(mutex_);
    return requests_;
}

bool FakeHelperDaemon::wait(int fd, int milliseconds) const {
    pollfd entries[2] = {{fd, POLLIN, 0}, {stopPipe_[0], POLLIN, 0}};
    return ::poll(entries, 2, milliseconds) > 0 && !entries[1].revents;
}

void FakeHelperDaemon::serve() {
    while (wait(listener_, -1)) {
        const int client = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        if (client < 0) continue;
        answer(client);
        ::close(client);
    }
}

void FakeHelperDaemon::answer(int client) {
    std::string request;
    char c = 0;
    while (wait(client, 5000) && ::read(client, &c, 1) == 1 && c != '\n')
        request += c;
    if (c != '\n') return;
    {
        std::lock_guard guard(mutex_);
        requests_.push_back(request);
    }
    const Answer reply = responder_(request);
    if (reply.kind == Answer::Kind::send) {
        (void)!::send(client, reply.bytes.data(), reply.bytes.size(), MSG_NOSIGNAL);
    } else if (reply.kind == Answer::Kind::hold) {
        while (wait(client, -1) && ::read(client, &c, 1) > 0) {
        }
    }
}

} // namespace brisel::test

#include "app/SingleInstance.h"

#include "BoundedIO.h"
#include "platform/FileDescriptor.h"
#include "platform/PrivateFolder.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <optional>

namespace brisel {

namespace {

constexpr double kLineSeconds = 1.0; // for one request or answer line on an accepted connection

std::string failure(const std::string& what, const std::filesystem::path& path) {
    return what + " " + path.string() + ": " + std::strerror(errno);
}

std::optional<sockaddr_un> addressOf(const std::filesystem::path& path) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string text = path.string();
    if (text.size() >= sizeof(address.sun_path)) return std::nullopt;
    std::memcpy(address.sun_path, text.c_str(), text.size() + 1);
    return address;
}

int unixSocket() {
    return ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
}

// Asks the instance on `path` to show itself; true when it answered "ok" in time.
bool askToReopen(const sockaddr_un& address, double answerSeconds) {
    FileDescriptor fd(unixSocket());
    if (fd.get() < 0) return false;
    const double deadline = BoundedIO::now() + answerSeconds;
    if (::connect(fd.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        if (errno != EINPROGRESS && errno != EAGAIN) return false; // nobody listens
        if (!BoundedIO::ready(fd.get(), BoundedIO::writable, deadline)) return false;
        int error = 0;
        socklen_t length = sizeof error;
        if (::getsockopt(fd.get(), SOL_SOCKET, SO_ERROR, &error, &length) != 0 || error != 0) return false;
    }
    if (!BoundedIO::writeLine(fd.get(), "reopen", deadline)) return false;
    return BoundedIO::readLine(fd.get(), deadline) == std::optional<std::string>("ok");
}

} // namespace

InstanceServer::InstanceServer(int listeningSocket, std::filesystem::path socketPath)
    : fd_(listeningSocket), path_(std::move(socketPath)), notifier_(listeningSocket, QSocketNotifier::Read) {
    connect(&notifier_, &QSocketNotifier::activated, this, &InstanceServer::accept);
}

InstanceServer::~InstanceServer() {
    notifier_.setEnabled(false);
    ::close(fd_);
    ::unlink(path_.c_str());
}

void InstanceServer::accept() {
    for (;;) {
        const int accepted = ::accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (accepted < 0) return; // nothing more waiting (or a failure the next connection retries)
        FileDescriptor connection(accepted);
        // The peer writes its line right after connecting; the short deadline bounds a peer that
        // does not.
        const auto line = BoundedIO::readLine(connection.get(), BoundedIO::now() + kLineSeconds);
        if (line != std::optional<std::string>("reopen")) continue;
        if (onReopen) onReopen();
        BoundedIO::writeLine(connection.get(), "ok", BoundedIO::now() + kLineSeconds);
    }
}

InstanceClaim InstanceClaim::claim(const std::filesystem::path& folder, bool folderMustBePrivate,
                                   double answerSeconds) {
    InstanceClaim result;
    const PrivateFolder place{folder, folderMustBePrivate};
    if (auto refused = place.ensure()) {
        result.error = *refused;
        return result;
    }
    const std::filesystem::path socketPath = folder / "instance.sock";
    const std::filesystem::path lockPath = folder / "instance.lock";
    const auto address = addressOf(socketPath);
    if (!address) {
        result.error = "the path " + socketPath.string() + " is too long for a socket";
        return result;
    }

    // Held until this start-up has either handed over or listens, so two starts never both
    // decide they are the first.
    FileDescriptor lock(::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600));
    if (lock.get() < 0) {
        result.error = failure("cannot open", lockPath);
        return result;
    }
    while (::flock(lock.get(), LOCK_EX) != 0) {
        if (errno != EINTR) {
            result.error = failure("cannot lock", lockPath);
            return result;
        }
    }

    if (askToReopen(*address, answerSeconds)) {
        result.outcome = Outcome::reopened;
        return result;
    }

    ::unlink(socketPath.c_str()); // stale: nobody answered
    const int fd = unixSocket();
    if (fd < 0) {
        result.error = failure("cannot create a socket for", socketPath);
        return result;
    }
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&*address), sizeof *address) != 0 ||
        ::listen(fd, 8) != 0) {
        result.error = failure("cannot listen on", socketPath);
        ::close(fd);
        return result;
    }
    result.outcome = Outcome::first;
    result.server = std::make_unique<InstanceServer>(fd, socketPath);
    return result;
}

} // namespace brisel

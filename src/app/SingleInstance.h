#pragma once

// One Brisel per user. Two would load the same config.json and overwrite each other's settings on
// every save, and hold assertions of their own. The first instance listens on a socket in the
// user's private runtime folder; a second start asks it over that socket to show its window and
// then ends.

#include <QObject>
#include <QSocketNotifier>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>

namespace brisel {

// The first instance's side: answers each "reopen" line with "ok" after calling `onReopen`.
class InstanceServer : public QObject {
    Q_OBJECT

public:
    InstanceServer(int listeningSocket, std::filesystem::path socketPath);
    ~InstanceServer() override;

    const std::filesystem::path& socketPath() const { return path_; }
    std::function<void()> onReopen;

private:
    void accept();

    int fd_;
    std::filesystem::path path_;
    QSocketNotifier notifier_;
};

struct InstanceClaim {
    enum class Outcome {
        first,     // this is the only instance: `server` listens
        reopened,  // another instance took over; this one should end
        unguarded, // the socket could not be set up (`error` says why); run without the guard
    };
    Outcome outcome = Outcome::unguarded;
    std::unique_ptr<InstanceServer> server;
    std::string error;

    // "instance.sock" in `folder` (made private if needed). Start-ups are serialised by a lock file
    // beside it. A socket that nobody answers within `answerSeconds` is stale and replaced.
    static InstanceClaim claim(const std::filesystem::path& folder, bool folderMustBePrivate,
                               double answerSeconds = 2.0);
};

} // namespace brisel

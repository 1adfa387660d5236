#include "app/QuitSignals.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>

namespace brisel {

namespace {

int pipeEnds[2] = {-1, -1}; // read, write
constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};

extern "C" void noteSignal(int) {
    const int saved = errno;
    const char byte = 1;
    [[maybe_unused]] const auto written = ::write(pipeEnds[1], &byte, 1); // a full pipe has one already
    errno = saved;
}

} // namespace

QuitSignals::QuitSignals(std::function<void()> onSignal) : onSignal_(std::move(onSignal)) {
    if (pipeEnds[0] < 0 && ::pipe2(pipeEnds, O_CLOEXEC | O_NONBLOCK) != 0) return;
    notifier_ = new QSocketNotifier(pipeEnds[0], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &QuitSignals::drain);
    struct sigaction action {};
    action.sa_handler = noteSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : kSignals)
        ::sigaction(signal, &action, nullptr);
}

QuitSignals::~QuitSignals() {
    struct sigaction action {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    for (int signal : kSignals)
        ::sigaction(signal, &action, nullptr);
}

void QuitSignals::setOnSignal(std::function<void()> onSignal) {
    onSignal_ = std::move(onSignal);
    if (pending_ && onSignal_) {
        pending_ = false;
        onSignal_();
    }
}

void QuitSignals::drain() {
    char buffer[64];
    while (::read(pipeEnds[0], buffer, sizeof buffer) > 0) {
    }
    if (onSignal_)
        onSignal_();
    else
        pending_ = true;
}

} // namespace brisel

#pragma once

#include <QObject>
#include <QSocketNotifier>

#include <functional>

namespace brisel {

// SIGTERM, SIGINT and SIGHUP become a call on the main thread: the handler only writes one byte to
// a pipe, which the event loop watches. A signal that arrives before there is anyone to call is
// kept and handed to the handler once it is set.
class QuitSignals : public QObject {
    Q_OBJECT

public:
    // Installs the handlers; they stay until this object goes (then the defaults return).
    explicit QuitSignals(std::function<void()> onSignal = {});
    ~QuitSignals() override;
    QuitSignals(const QuitSignals&) = delete;
    QuitSignals& operator=(const QuitSignals&) = delete;

    void setOnSignal(std::function<void()> onSignal);

private:
    void drain();

    std::function<void()> onSignal_;
    bool pending_ = false; // a signal came before onSignal_ was set
    QSocketNotifier* notifier_ = nullptr;
};

} // namespace brisel

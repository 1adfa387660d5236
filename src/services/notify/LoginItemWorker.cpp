#include "services/notify/LoginItemWorker.h"

#include "async/SerialQueue.h"

#include <exception>

namespace brisel {

struct LoginItemWorker::Core {
    StatusReader readStatus;
    Updater update;
    SerialQueue queue{"com.brisel.login-item"};
};

namespace {

using Core = LoginItemWorker::Core;

// Named jobs and awaiters: GCC 12 destroys capturing temporaries inside a co_await expression twice.

Task<LoginItemStatus> readStatusOn(std::shared_ptr<Core> core) {
    auto reading = [read = core->readStatus] { return read(); };
    auto onQueue = core->queue.run(std::move(reading));
    co_return co_await onQueue;
}

Task<std::optional<std::string>> updateOn(std::shared_ptr<Core> core, bool enabled) {
    auto updating = [update = core->update, enabled]() -> std::optional<std::string> {
        try {
            update(enabled);
            return std::nullopt;
        } catch (const std::exception& error) {
            return std::string(error.what());
        } catch (...) {
            return std::string("The login item could not be changed.");
        }
    };
    auto onQueue = core->queue.run(std::move(updating));
    co_return co_await onQueue;
}

} // namespace

LoginItemWorker::LoginItemWorker(std::shared_ptr<LoginItem> item)
    : LoginItemWorker([item] { return item->status(); },
                      [item](bool enabled) { item->setRegistered(enabled); }) {}

LoginItemWorker::LoginItemWorker(StatusReader readStatus, Updater update) : core_(std::make_shared<Core>()) {
    core_->readStatus = std::move(readStatus);
    core_->update = std::move(update);
}

Task<LoginItemStatus> LoginItemWorker::status() {
    return readStatusOn(core_);
}

Task<std::optional<std::string>> LoginItemWorker::setEnabled(bool enabled) {
    return updateOn(core_, enabled);
}

} // namespace brisel

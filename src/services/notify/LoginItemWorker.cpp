#include "services/notify/LoginItemWorker.h"

#include "platform/XdgAutostartLoginItem.h"

#include <exception>
#include <memory>

namespace brisel {

LoginItemWorker::LoginItemWorker(StatusReader readStatus, Updater update)
    : readStatus_(std::move(readStatus)), update_(std::move(update)) {
    if (readStatus_ && update_) return;
    auto item = std::make_shared<XdgAutostartLoginItem>();
    if (!readStatus_) readStatus_ = [item] { return item->status(); };
    if (!update_) update_ = [item](bool enabled) { item->setRegistered(enabled); };
}

Task<LoginItemStatus> LoginItemWorker::status() {
    // Named awaiters: GCC 12 destroys capturing temporaries inside a co_await expression twice.
    auto reading = queue_.run([this] { return readStatus_(); });
    co_return co_await reading;
}

Task<std::optional<std::string>> LoginItemWorker::setEnabled(bool enabled) {
    auto updating = queue_.run([this, enabled]() -> std::optional<std::string> {
        try {
            update_(enabled);
            return std::nullopt;
        } catch (const std::exception& error) {
            return std::string(error.what());
        } catch (...) {
            return std::string("The login item could not be changed.");
        }
    });
    co_return co_await updating;
}

} // namespace brisel

#pragma once

#include <nlohmann/json.hpp>

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace brisel {

// One open session on the system's network configuration store: a key-value store of
// dictionaries such as "State:/Network/Global/IPv4" and "State:/Network/Service/<id>/IPv4".
// Values are passed on as the store holds them: texts, lists, dictionaries, and byte strings as
// JSON binary values. Used from one thread at a time.
class NetworkStoreSession {
public:
    virtual ~NetworkStoreSession() = default;

    // The value under `key`; nullopt when there is none.
    virtual std::optional<nlohmann::json> copyValue(const std::string& key) = 0;
    // The keys that match the regular expression `pattern` as a whole, in no particular order.
    virtual std::vector<std::string> copyKeyList(const std::string& pattern) = 0;
};

class NetworkStore {
public:
    virtual ~NetworkStore() = default;

    // Opens a session under the given client name; nullptr when the store cannot be reached.
    virtual std::unique_ptr<NetworkStoreSession> openSession(const std::string& name) = 0;
};

} // namespace brisel

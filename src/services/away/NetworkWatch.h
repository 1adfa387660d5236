#pragma once

// The running part of the away guard: the identity of the current network, the reader that takes
// it from the network configuration store, the stored dwell table, and the engine that samples on
// a timer and around system sleep and publishes an `AwayStatus`.

#include "async/Clock.h"
#include "async/Task.h"
#include "platform/NotificationCenter.h"
#include "platform/SleepWakeEvents.h"
#include "platform/UserDefaults.h"
#include "services/away/AwayDetector.h"

#include <nlohmann/json.hpp>

#include <QByteArray>
#include <QObject>
#include <QPointer>

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace brisel {

class NetworkStore;

// The network this machine is on: a key naming the best physical network service (nullopt:
// offline) and whether a VPN interface is primary.
struct NetworkFingerprint {
    std::optional<std::string> key;
    bool vpnActive = false;
    bool operator==(const NetworkFingerprint&) const = default;
};

// Interfaces whose names start with "utun", "ipsec" or "ppp".
bool isVpnInterface(std::string_view interfaceName);

// Turns the store's dictionaries into a fingerprint; needs no system access.
class NetworkFingerprintParser {
public:
    static NetworkFingerprint parse(const std::optional<std::string>& ipv4Primary,
                                    const std::vector<nlohmann::json>& ipv4Services,
                                    const std::optional<std::string>& ipv6Primary,
                                    const std::vector<nlohmann::json>& ipv6Services,
                                    const std::optional<std::string>& preferredPhysicalKey);

    // The key one service yields ("mac:", "sig:", "str:", "ip6:" or "ip:" form), or nullopt.
    static std::optional<std::string> serviceKey(const nlohmann::json& service, bool ipv6);

private:
    static std::optional<std::string> selectedKey(const std::optional<std::string>& primary,
                                                  const std::vector<nlohmann::json>& services, bool ipv6,
                                                  const std::optional<std::string>& preferredKey);
};

// Reads the network configuration store on its own serial queue, "com.brisel.network-sampling".
class NetworkFingerprintReader {
public:
    explicit NetworkFingerprintReader(std::shared_ptr<NetworkStore> store);

    // The preferred key (the last accepted sample's key) keeps the physical network's identity
    // while a VPN is the primary interface. Stays safe when the reader is destroyed right after
    // the call.
    Task<NetworkFingerprint> readAsync(std::optional<std::string> preferredPhysicalKey);
    // The same, blocking the calling thread.
    static NetworkFingerprint read(NetworkStore& store,
                                   const std::optional<std::string>& preferredPhysicalKey);

    static std::string shortHash(std::string_view key) { return AwayDetector::shortHash(key); }

    struct Core;

private:
    std::shared_ptr<Core> core_; // the store and the queue, shared with the reads in flight
};

// Keeps the detector's dwell table under "away.dwell" in the user defaults, as a JSON object of
// seconds, on the process's one serial queue "com.brisel.away-persistence", which every store
// shares.
class DwellStore {
public:
    static constexpr const char* defaultsKey = "away.dwell";

    explicit DwellStore(UserDefaults defaults);

    // The stored table; an empty one when there is none or it cannot be decoded.
    Task<DwellTable> load();
    // Returns at once; the write happens later, in order, and only when the table differs from
    // the one any store of the process last loaded or wrote in that file. Loads and saves already
    // asked for still happen when the store is destroyed meanwhile.
    void save(DwellTable table);

    // nullopt for anything but a JSON object of finite numbers.
    static std::optional<DwellTable> decode(const QByteArray& data);
    // nullopt when a value is not finite: such a table is never written.
    static std::optional<QByteArray> encode(const DwellTable& table);

    struct Core;

private:
    std::shared_ptr<Core> core_; // the defaults, shared with the loads and saves in flight
};

// The away engine's published verdict.
struct AwayStatus {
    // Short hash of the current network key; nullopt when offline or not yet sampled.
    std::optional<std::string> fingerprint;
    bool isAway = false;
    double awayForSeconds = 0;
    bool vpnActive = false;
    bool isUsual = false;
    bool protectionReady = false;
    double learningRemainingSeconds = 0;
    double waitingRemainingSeconds = 0;
    // A new enabled configuration is in place and nothing has been sampled under it yet.
    bool configurationSamplePending = false;
    bool operator==(const AwayStatus&) const = default;
};

// Samples the network, feeds the detector, keeps the dwell table stored, follows system sleep and
// wake and publishes the verdict. Main thread only.
class AwayEngine : public QObject {
public:
    struct Configuration {
        bool enabled = true;
        int sampleSeconds = 30;
        int usualMinDwellSeconds = 7200;
        int awayAfterMinutes = 15;
        int offlineAwayAfterMinutes = 10;
        std::vector<std::string> usualFingerprints;
        bool operator==(const Configuration&) const = default;
    };

    using ReadFingerprint = std::function<Task<NetworkFingerprint>(std::optional<std::string> preferredKey)>;
    using LoadDwell = std::function<Task<DwellTable>()>;
    using SaveDwell = std::function<void(DwellTable)>;

    // Observes the will-sleep and did-wake notifications on `notifications`, which must outlive
    // the engine. Samples on the clock's repeating timer and dates samples by its wall time.
    AwayEngine(ReadFingerprint readFingerprint, LoadDwell loadDwell, SaveDwell saveDwell,
               NotificationCenter& notifications, bool scheduleTimers,
               std::shared_ptr<Clock> clock = Clock::system());
    // Reads through `reader` and keeps the table in `store`.
    AwayEngine(std::shared_ptr<NetworkFingerprintReader> reader, std::shared_ptr<DwellStore> store,
               NotificationCenter& notifications, bool scheduleTimers,
               std::shared_ptr<Clock> clock = Clock::system());
    ~AwayEngine() override;

    // Applies a configuration and samples at once; read `status` afterwards.
    void update(const Configuration& config);
    // Stops sampling until the next `update`.
    void stop();

    void handleWillSleep();
    void handleDidWake();

    AwayStatus status;
    // Called on the main thread with each status that changed visibly.
    std::function<void(const AwayStatus&)> onUpdate;

private:
    static Task<void> sample(QPointer<AwayEngine> self, std::uint64_t generation,
                             std::optional<std::string> preferredKey, bool needsLoad, ReadFingerprint read,
                             LoadDwell load);
    void tick();
    void accept(const NetworkFingerprint& fingerprint);
    bool mayUseSample(std::uint64_t generation) const;
    double capSeconds() const;
    void dropTimer();

    Configuration config_;
    std::unique_ptr<Timer> timer_;
    AwayDetector detector_;
    std::optional<std::string> lastPhysicalKey_;
    NotificationCenter& notifications_;
    NotificationCenter::Token sleepObserver_ = 0;
    NotificationCenter::Token wakeObserver_ = 0;
    ReadFingerprint readFingerprint_;
    LoadDwell loadDwell_;
    bool dwellLoaded_ = false;
    SaveDwell saveDwell_;
    bool scheduleTimers_;
    std::shared_ptr<Clock> clock_;
    std::optional<Task<void>> samplingTask_;
    bool sampleRequested_ = false;
    std::uint64_t generation_ = 0;
    bool sleeping_ = false;
    bool stopped_ = false;
};

} // namespace brisel

#include "NetworkWatch.h"

#include "async/SerialQueue.h"
#include "platform/NetworkStore.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>

namespace brisel {

namespace {

const char* const storeSessionName = "Brisel";
// The timer never samples more often than this.
constexpr int minSampleSeconds = 5;

std::string lowercased(std::string text) {
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

std::optional<std::string> nonEmptyText(const nlohmann::json& service, const char* name) {
    auto found = service.find(name);
    if (found == service.end() || !found->is_string()) return std::nullopt;
    std::string text = found->get<std::string>();
    if (text.empty()) return std::nullopt;
    return text;
}

std::optional<std::string> primaryInterface(NetworkStoreSession& session, const std::string& family) {
    auto global = session.copyValue("State:/Network/Global/" + family);
    if (!global || !global->is_object()) return std::nullopt;
    auto found = global->find("PrimaryInterface");
    if (found == global->end() || !found->is_string()) return std::nullopt;
    return found->get<std::string>();
}

std::vector<nlohmann::json> servicesOf(NetworkStoreSession& session, const std::string& family) {
    auto keys = session.copyKeyList("State:/Network/Service/.*/" + family);
    std::sort(keys.begin(), keys.end());
    std::vector<nlohmann::json> services;
    for (const auto& key : keys) {
        auto value = session.copyValue(key);
        if (value && value->is_object()) services.push_back(std::move(*value));
    }
    return services;
}

} // namespace

bool isVpnInterface(std::string_view interfaceName) {
    for (std::string_view prefix : {"utun", "ipsec", "ppp"})
        if (interfaceName.starts_with(prefix)) return true;
    return false;
}

// ---- NetworkFingerprintParser ----

std::optional<std::string> NetworkFingerprintParser::serviceKey(const nlohmann::json& service, bool ipv6) {
    if (!service.is_object()) return std::nullopt;
    if (auto address = nonEmptyText(service, "ARPResolvedHardwareAddress"))
        return "mac:" + lowercased(*address);
    if (auto hash = service.find("NetworkSignatureHash");
        hash != service.end() && hash->is_binary() && !hash->get_binary().empty()) {
        std::string key = "sig:";
        char digits[3];
        for (auto byte : hash->get_binary()) {
            std::snprintf(digits, sizeof digits, "%02x", static_cast<unsigned>(byte));
            key += digits;
        }
        return key;
    }
    if (auto signature = nonEmptyText(service, "NetworkSignature")) return "str:" + *signature;
    if (auto router = nonEmptyText(service, "Router")) {
        if (ipv6) return "ip6:" + *router;
        std::string mask;
        if (auto masks = service.find("SubnetMasks");
            masks != service.end() && masks->is_array() && !masks->empty() && masks->front().is_string())
            mask = masks->front().get<std::string>();
        return "ip:" + *router + "/" + mask;
    }
    return std::nullopt;
}

std::optional<std::string>
NetworkFingerprintParser::selectedKey(const std::optional<std::string>& primary,
                                      const std::vector<nlohmann::json>& services, bool ipv6,
                                      const std::optional<std::string>& preferredKey) {
    struct Candidate {
        std::string name;
        std::string key;
    };
    std::vector<Candidate> candidates;
    for (const auto& service : services) {
        auto name = nonEmptyText(service, "InterfaceName");
        if (!name || !networkFingerprintIsPhysical(*name)) continue;
        if (auto key = serviceKey(service, ipv6)) candidates.push_back({*name, *key});
    }
    if (primary) {
        for (const auto& c : candidates)
            if (c.name == *primary) return c.key;
        // Behind a VPN the primary interface is the tunnel; stay with the physical network of the
        // last sample while it is still there.
        if (isVpnInterface(*primary) && preferredKey)
            for (const auto& c : candidates)
                if (c.key == *preferredKey) return c.key;
    }
    if (candidates.empty()) return std::nullopt;
    std::stable_sort(candidates.begin(), candidates.end(), [](const Candidate& a, const Candidate& b) {
        return a.name != b.name ? a.name < b.name : a.key < b.key;
    });
    return candidates.front().key;
}

NetworkFingerprint NetworkFingerprintParser::parse(const std::optional<std::string>& ipv4Primary,
                                                   const std::vector<nlohmann::json>& ipv4Services,
                                                   const std::optional<std::string>& ipv6Primary,
                                                   const std::vector<nlohmann::json>& ipv6Services,
                                                   const std::optional<std::string>& preferredPhysicalKey) {
    auto key4 = selectedKey(ipv4Primary, ipv4Services, false, preferredPhysicalKey);
    auto key6 = selectedKey(ipv6Primary, ipv6Services, true, preferredPhysicalKey);
    NetworkFingerprint fingerprint;
    fingerprint.key = key4 ? key4 : key6;
    fingerprint.vpnActive =
        (ipv4Primary && isVpnInterface(*ipv4Primary)) || (ipv6Primary && isVpnInterface(*ipv6Primary));
    return fingerprint;
}

// ---- NetworkFingerprintReader ----

struct NetworkFingerprintReader::Core {
    std::shared_ptr<NetworkStore> store;
    SerialQueue queue{"com.brisel.network-sampling"};
};

namespace {

Task<NetworkFingerprint> readOn(std::shared_ptr<NetworkFingerprintReader::Core> core,
                                std::optional<std::string> preferredPhysicalKey) {
    // The work and the awaiter are named locals: GCC 12 destroys a closure temporary with
    // non-trivial captures twice when it is written inside the co_await expression.
    auto work = [store = core->store, preferredPhysicalKey] {
        return NetworkFingerprintReader::read(*store, preferredPhysicalKey);
    };
    auto onQueue = core->queue.run(std::move(work));
    co_return co_await onQueue;
}

} // namespace

NetworkFingerprintReader::NetworkFingerprintReader(std::shared_ptr<NetworkStore> store)
    : core_(std::make_shared<Core>()) {
    core_->store = std::move(store);
}

NetworkFingerprint NetworkFingerprintReader::read(NetworkStore& store,
                                                  const std::optional<std::string>& preferredPhysicalKey) {
    auto session = store.openSession(storeSessionName);
    if (!session) return NetworkFingerprint();
    auto primary4 = primaryInterface(*session, "IPv4");
    auto services4 = servicesOf(*session, "IPv4");
    auto primary6 = primaryInterface(*session, "IPv6");
    auto services6 = servicesOf(*session, "IPv6");
    return NetworkFingerprintParser::parse(primary4, services4, primary6, services6, preferredPhysicalKey);
}

Task<NetworkFingerprint>
NetworkFingerprintReader::readAsync(std::optional<std::string> preferredPhysicalKey) {
    return readOn(core_, std::move(preferredPhysicalKey));
}

// ---- DwellStore ----

struct DwellStore::Core {
    explicit Core(UserDefaults d) : defaults(std::move(d)) {}
    UserDefaults defaults;
};

namespace {

// One queue for every store of the process, so a load queued after a save sees it, also when
// the save was asked of a store since dropped. Deliberately leaked: queued saves must not be cut
// short by static destruction at exit.
SerialQueue& persistenceQueue() {
    static SerialQueue* queue = new SerialQueue("com.brisel.away-persistence");
    return *queue;
}

struct SavedDwell {
    std::filesystem::path file;
    DwellTable table;
};

// The table last loaded or written by any store of the process, and its file: a table one store
// last wrote may since have been replaced through another. Touched only on the queue; leaked with
// it.
std::optional<SavedDwell>& lastSavedDwell() {
    static auto* last = new std::optional<SavedDwell>;
    return *last;
}

Task<DwellTable> loadOn(std::shared_ptr<DwellStore::Core> core) {
    auto work = [core] {
        DwellTable table;
        if (auto data = core->defaults.data(DwellStore::defaultsKey))
            if (auto decoded = DwellStore::decode(*data)) table = std::move(*decoded);
        lastSavedDwell() = SavedDwell{core->defaults.path(), table};
        return table;
    };
    auto onQueue = persistenceQueue().run(std::move(work));
    co_return co_await onQueue;
}

} // namespace

DwellStore::DwellStore(UserDefaults defaults) : core_(std::make_shared<Core>(std::move(defaults))) {}

std::optional<DwellTable> DwellStore::decode(const QByteArray& data) {
    auto document = nlohmann::json::parse(data.begin(), data.end(), nullptr, false);
    if (document.is_discarded() || !document.is_object()) return std::nullopt;
    DwellTable table;
    for (const auto& [key, value] : document.items()) {
        if (!value.is_number()) return std::nullopt;
        double seconds = value.get<double>();
        if (!std::isfinite(seconds)) return std::nullopt;
        table.emplace(key, seconds);
    }
    return table;
}

std::optional<QByteArray> DwellStore::encode(const DwellTable& table) {
    nlohmann::json document = nlohmann::json::object();
    for (const auto& [key, seconds] : table) {
        if (!std::isfinite(seconds)) return std::nullopt;
        document[key] = seconds;
    }
    const std::string text = document.dump();
    return QByteArray(text.data(), static_cast<qsizetype>(text.size()));
}

Task<DwellTable> DwellStore::load() {
    return loadOn(core_);
}

void DwellStore::save(DwellTable table) {
    persistenceQueue().async([core = core_, table = std::move(table)] {
        std::optional<SavedDwell>& last = lastSavedDwell();
        if (last && last->file == core->defaults.path() && last->table == table) return;
        auto data = encode(table);
        if (!data) return;
        // A failed write is not remembered as written, so the next save tries again.
        if (core->defaults.setData(defaultsKey, *data)) last = SavedDwell{core->defaults.path(), table};
    });
}

// ---- AwayEngine ----

AwayEngine::AwayEngine(ReadFingerprint readFingerprint, LoadDwell loadDwell, SaveDwell saveDwell,
                       NotificationCenter& notifications, bool scheduleTimers, std::shared_ptr<Clock> clock)
    : notifications_(notifications), readFingerprint_(std::move(readFingerprint)),
      loadDwell_(std::move(loadDwell)), saveDwell_(std::move(saveDwell)), scheduleTimers_(scheduleTimers),
      clock_(std::move(clock)) {
    QPointer<AwayEngine> self(this);
    sleepObserver_ =
        notifications_.addObserver(notification_names::workspaceWillSleep, [self](const Notification&) {
            if (self) self->handleWillSleep();
        });
    wakeObserver_ =
        notifications_.addObserver(notification_names::workspaceDidWake, [self](const Notification&) {
            if (self) self->handleDidWake();
        });
}

AwayEngine::AwayEngine(std::shared_ptr<NetworkFingerprintReader> reader, std::shared_ptr<DwellStore> store,
                       NotificationCenter& notifications, bool scheduleTimers, std::shared_ptr<Clock> clock)
    : AwayEngine([reader](std::optional<std::string> key) { return reader->readAsync(std::move(key)); },
                 [store] { return store->load(); },
                 [store](DwellTable table) { store->save(std::move(table)); }, notifications, scheduleTimers,
                 std::move(clock)) {}

AwayEngine::~AwayEngine() {
    dropTimer();
    notifications_.removeObserver(sleepObserver_);
    notifications_.removeObserver(wakeObserver_);
}

double AwayEngine::capSeconds() const {
    return std::max(config_.sampleSeconds, minSampleSeconds);
}

void AwayEngine::dropTimer() {
    timer_.reset();
}

void AwayEngine::update(const Configuration& config) {
    ++generation_;
    stopped_ = false;
    sampleRequested_ = false;
    config_ = config;
    status.configurationSamplePending = config.enabled;
    detector_.config = AwayDetector::Configuration{config.usualMinDwellSeconds, config.awayAfterMinutes,
                                                   config.offlineAwayAfterMinutes, config.usualFingerprints};
    dropTimer();
    if (config.enabled && scheduleTimers_) {
        QPointer<AwayEngine> self(this);
        timer_ = clock_->repeating(capSeconds(), [self] {
            if (self) self->tick();
        });
    }
    tick();
}

void AwayEngine::stop() {
    stopped_ = true;
    ++generation_;
    sampleRequested_ = false;
    dropTimer();
}

bool AwayEngine::mayUseSample(std::uint64_t generation) const {
    return generation == generation_ && config_.enabled && !stopped_ && !sleeping_;
}

void AwayEngine::tick() {
    if (!config_.enabled || stopped_ || sleeping_) return;
    sampleRequested_ = true;
    // Requests during a read coalesce into one more sample when it ends.
    if (samplingTask_) return;
    sampleRequested_ = false;
    samplingTask_ = sample(QPointer<AwayEngine>(this), generation_, lastPhysicalKey_, !dwellLoaded_,
                           readFingerprint_, loadDwell_);
}

Task<void> AwayEngine::sample(QPointer<AwayEngine> self, std::uint64_t generation,
                              std::optional<std::string> preferredKey, bool needsLoad, ReadFingerprint read,
                              LoadDwell load) {
    if (needsLoad) {
        std::optional<DwellTable> table;
        try {
            table = co_await load();
        } catch (...) {
        }
        if (!self) co_return;
        if (table) {
            self->detector_.load(std::move(*table));
            self->dwellLoaded_ = true;
        }
    }
    if (!self) co_return;
    // Without the stored table a sample would save a fresh one over it: the next tick loads again.
    if (!self->dwellLoaded_ || !self->mayUseSample(generation)) {
        self->samplingTask_.reset();
        if (self->sampleRequested_) self->tick();
        co_return;
    }
    std::optional<NetworkFingerprint> fingerprint;
    try {
        fingerprint = co_await read(preferredKey);
    } catch (...) {
        // An unreadable network is not the same as no network: take no sample this time.
    }
    if (!self) co_return;
    self->samplingTask_.reset();
    if (fingerprint && self->mayUseSample(generation)) self->accept(*fingerprint);
    if (!self) co_return; // onUpdate may have let the engine go
    if (self->sampleRequested_) self->tick();
}

void AwayEngine::accept(const NetworkFingerprint& fingerprint) {
    const WallTime now = clock_->wallTime();
    lastPhysicalKey_ = fingerprint.key;
    detector_.creditDwell(now, capSeconds());
    const AwayDetector::Verdict verdict = detector_.sample(fingerprint.key, now);

    AwayStatus next;
    if (verdict.key) next.fingerprint = AwayDetector::shortHash(*verdict.key);
    next.isAway = verdict.isAway;
    next.awayForSeconds = verdict.awayForSeconds;
    next.vpnActive = fingerprint.vpnActive;
    next.isUsual = verdict.isUsual;
    next.protectionReady = verdict.protectionReady;
    next.learningRemainingSeconds = verdict.learningRemainingSeconds;
    next.waitingRemainingSeconds = verdict.waitingRemainingSeconds;
    next.configurationSamplePending = false;

    // Times count only in whole minutes, so a steady state does not report on every tick.
    auto minutes = [](double seconds) { return std::trunc(seconds / 60.0); };
    const bool changed = next.configurationSamplePending != status.configurationSamplePending ||
                         next.fingerprint != status.fingerprint || next.isAway != status.isAway ||
                         next.vpnActive != status.vpnActive || next.isUsual != status.isUsual ||
                         next.protectionReady != status.protectionReady ||
                         minutes(next.learningRemainingSeconds) != minutes(status.learningRemainingSeconds) ||
                         minutes(next.waitingRemainingSeconds) != minutes(status.waitingRemainingSeconds) ||
                         minutes(next.awayForSeconds) != minutes(status.awayForSeconds);
    status = next;
    saveDwell_(detector_.dwell);
    if (changed && onUpdate) onUpdate(status);
}

void AwayEngine::handleWillSleep() {
    ++generation_;
    sleeping_ = true;
    sampleRequested_ = false;
    // Until the stored table is in, there is nothing to credit that would not overwrite it.
    if (dwellLoaded_) {
        detector_.noteWillSleep(clock_->wallTime(), capSeconds());
        saveDwell_(detector_.dwell);
    }
}

void AwayEngine::handleDidWake() {
    sleeping_ = false;
    detector_.noteDidWake(clock_->wallTime());
    tick();
}

} // namespace brisel

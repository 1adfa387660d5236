#pragma once

#include "TestEnvironment.h"
#include "async/SerialQueue.h"
#include "platform/PrivilegedScriptRunner.h"
#include "platform/sim/SimMachine.h"
#include "services/helper-client/HelperManager.h"

#include <sys/stat.h>

#include <gtest/gtest.h>

#include <future>
#include <mutex>

namespace brisel {

inline void PrintTo(const HelperError& error, std::ostream* out) {
    *out << "HelperError{\"" << error.message << "\", " << error.status << "}";
}
template <typename T> void PrintTo(const HelperResult<T>& result, std::ostream* out) {
    if (!result.ok()) return PrintTo(result.error(), out);
    if constexpr (std::is_void_v<T>)
        *out << "success";
    else
        *out << "success(" << ::testing::PrintToString(result.value()) << ")";
}

} // namespace brisel

namespace brisel::test {

// Helper calls block: tests make them on a worker queue, as the application does, and wait here.
template <typename Fn> auto onHelperQueue(Fn fn) {
    static SerialQueue queue("com.brisel.helper-client");
    auto promise = std::make_shared<std::promise<std::invoke_result_t<Fn&>>>();
    auto future = promise->get_future();
    queue.async([promise, fn = std::move(fn)]() mutable { promise->set_value(fn()); });
    return future.get();
}

// Records the scripts it is asked to run and answers with a fixed result.
class RecordingRunner : public PrivilegedScriptRunner {
public:
    explicit RecordingRunner(PrivilegedScriptResult answer = {0, ""}) : answer_(std::move(answer)) {}

    PrivilegedScriptResult run(const std::string& script) override {
        std::lock_guard guard(mutex_);
        scripts_.push_back(script);
        return answer_;
    }
    std::vector<std::string> scripts() const {
        std::lock_guard guard(mutex_);
        return scripts_;
    }

private:
    PrivilegedScriptResult answer_;
    mutable std::mutex mutex_;
    std::vector<std::string> scripts_;
};

inline void writeExecutable(const std::filesystem::path& path, const std::string& text) {
    writeFile(path, text);
    ::chmod(path.c_str(), 0755);
}

// A test with its own socket, helper files, bundle and simulated machine.
class HelperClientTest : public TestEnvironment {
protected:
    void SetUp() override {
        TestEnvironment::SetUp();
        // Made after the base set-up, so the simulated facilities use this test's machine.
        environment = HelperManager::Environment();
        environment.socketPath = (root() / "helper.sock").string();
        environment.registrationPath = (root() / "com.brisel.helper.plist").string();
        environment.installedBinaryPath = (root() / "com.brisel.helper").string();
        environment.powerTool = (root() / "no-such-tool").string();
        environment.bundleDirectory = root() / "Brisel.app";
        environment.resourceDirectory = root() / "Brisel.app" / "resources";
        environment.privilegedRunner = runner;
    }

    SimMachine sim() const { return SimMachine(SimStore(simDir())); }
    HelperManager manager() const { return HelperManager(environment); }
    void registerHelper() const { writeFile(environment.registrationPath, "plist"); }

    std::shared_ptr<RecordingRunner> runner = std::make_shared<RecordingRunner>();
    HelperManager::Environment environment;
};

} // namespace brisel::test

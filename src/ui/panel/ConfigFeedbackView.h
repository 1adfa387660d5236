#pragma once

#include "ui/design/ViewContext.h"

#include <QWidget>

#include <cstdint>
#include <functional>
#include <optional>

namespace brisel {

class PanelButton;
class PanelOperationError;

// The model's configuration-file state the line reads.
struct ConfigFeedbackState {
    std::optional<QString> configError; // readable text, shown as it is
    bool awakeOwnsConfigError = false;
    bool configCanRetrySave = false;
    std::uint64_t configErrorAttempt = 0; // the save that failed

    bool operator==(const ConfigFeedbackState&) const = default;
};

// The error shown, or none: nothing without an error, nor while the keep-awake feedback owns it
// and `suppressAwakeOwnedError` is set.
std::optional<QString> shownConfigError(const ConfigFeedbackState& state, bool suppressAwakeOwnedError);

// Says that loading or saving the settings file failed ("config-error", announced when it appears
// and when it changes), with a button that saves again ("retry-config-save") while that can help.
class ConfigFeedbackView : public QWidget {
    Q_OBJECT

public:
    ConfigFeedbackView(ViewContext context, bool suppressAwakeOwnedError, QWidget* parent = nullptr);

    void sync(const ConfigFeedbackState& state);
    void setOnRetrySave(std::function<void()> action) { retrySave_ = std::move(action); }

private:
    void apply();

    ViewContext context_;
    bool suppress_;
    ConfigFeedbackState state_;
    std::function<void()> retrySave_;
    PanelOperationError* error_;
    PanelButton* retry_;
};

} // namespace brisel

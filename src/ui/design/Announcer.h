#pragma once

#include <QString>

#include <cstdint>
#include <optional>

class QWidget;

namespace brisel {

// Asks assistive technology to read a short text out.
class Announcer {
public:
    virtual ~Announcer() = default;
    // Reads `text` out once.
    virtual void announce(const QString& text) = 0;

    // `source` now shows the failure `text` (empty: none) that the request `attempt` ended with.
    // A failure is read out once: when `source` shows it first, and again only when a new attempt
    // ends with it or the window of `source` opens again with it on screen. A pass that publishes
    // the same failure again, or `source` hidden and shown again in its open window, says nothing.
    void showFailure(QWidget& source, const QString& text, std::uint64_t attempt = 0);
    // The failure `source` shows now, if any.
    static std::optional<QString> shownFailure(const QWidget& source);

protected:
    friend struct AnnouncerAccess;
    // `source` has a failure to read out: `text`, while it still shows it. Call saidFailure once
    // it was read out.
    virtual void announceShown(QWidget& source, const QString& text);
    static void saidFailure(QWidget& source);
};

} // namespace brisel

#pragma once

#include <QString>

namespace brisel {

// Asks assistive technology to read a short text out.
class Announcer {
public:
    virtual ~Announcer() = default;
    virtual void announce(const QString& text) = 0;
};

} // namespace brisel

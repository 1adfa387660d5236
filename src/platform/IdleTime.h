#pragma once

namespace brisel {

// The event system's idle clock.
class IdleTime {
public:
    virtual ~IdleTime() = default;

    // Seconds since the last input event of any kind in the combined session state, as the
    // system reports it (not checked: it may be negative, huge or not a number).
    virtual double secondsSinceLastInput() = 0;
};

} // namespace brisel

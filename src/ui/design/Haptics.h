#pragma once

namespace brisel {

// Tactile feedback of the pointing device; Linux offers none, so the live one does nothing.
class Haptics {
public:
    virtual ~Haptics() = default;
    // The short tick felt when a dragged control snaps into place.
    virtual void alignment() {}
};

} // namespace brisel

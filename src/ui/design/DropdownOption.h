#pragma once

#include <QString>

namespace brisel {

// One choice of a picker: the value it stands for and the text shown for it. Two options with
// equal values are the same choice.
template <typename T> struct DropdownOption {
    T value;
    QString label;

    bool operator==(const DropdownOption&) const = default;
};

} // namespace brisel

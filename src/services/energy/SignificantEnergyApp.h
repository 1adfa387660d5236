#pragma once

#include <QImage>

#include <cstdint>
#include <optional>
#include <string>

namespace brisel {

// One application that currently uses significant energy, as the panel lists it.
struct SignificantEnergyApp {
    std::int32_t id = 0; // process identifier
    std::string name;    // localised name
    std::optional<std::string> bundleIdentifier;
    QImage icon; // a null image when the application has none
    double energyScore = 0;

    // The rows the panel shows.
    static constexpr int displayLimit = 3;

    bool operator==(const SignificantEnergyApp&) const = default;
};

} // namespace brisel

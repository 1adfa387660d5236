#pragma once

#include "ui/design/Appearance.h"

#include <functional>

class QObject;

namespace brisel {

class Announcer;
class AppearanceSource;
class Haptics;
class Localizer;

// What every view is built with. The pointers are borrowed and outlive the views; any may be null
// in a test that does not need it.
struct ViewContext {
    Localizer* l10n = nullptr;
    AppearanceSource* appearance = nullptr;
    Announcer* announcer = nullptr;
    Haptics* haptics = nullptr;

    // The shared appearance, or the default one without a source.
    Appearance currentAppearance() const;
    // Runs `sync` whenever the appearance or the language changes, for as long as `receiver` lives.
    void observe(QObject* receiver, std::function<void()> sync) const;
};

} // namespace brisel

#include "ui/design/ViewContext.h"

#include "localization/Localizer.h"
#include "ui/design/AppearanceSource.h"

namespace brisel {

Appearance ViewContext::currentAppearance() const {
    return appearance ? appearance->current() : Appearance{};
}

void ViewContext::observe(QObject* receiver, std::function<void()> sync) const {
    if (appearance) QObject::connect(appearance, &AppearanceSource::changed, receiver, sync);
    if (l10n) QObject::connect(l10n, &Localizer::changed, receiver, sync);
}

} // namespace brisel

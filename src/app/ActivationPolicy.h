#pragma once

#include <QObject>

namespace brisel {

// Whether Brisel presents itself as an ordinary application ("regular": its windows have taskbar
// entries) or as a tray accessory ("accessory": tool windows without taskbar entries). The dock-icon
// setting decides it; the application shell applies it to its windows and, when asked, brings the
// application forward.
class ActivationPolicy : public QObject {
    Q_OBJECT

public:
    enum class Kind { regular, accessory };

    using QObject::QObject;

    // The one policy of the running application.
    static ActivationPolicy& shared();

    Kind kind() const { return kind_; }

    // Regular with the dock icon, accessory without. Showing the dock icon also brings the
    // application forward (activationRequested).
    void apply(bool showDockIcon);

signals:
    // Emitted on every apply, also when the kind stays the same.
    void changed();
    void activationRequested();

private:
    Kind kind_ = Kind::accessory;
};

} // namespace brisel

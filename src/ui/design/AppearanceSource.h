#pragma once

#include "ui/design/Appearance.h"

#include <QObject>

class QPalette;

namespace brisel {

class UserDefaults;

// The one place the views read their Appearance from. The colour scheme follows the application
// palette; the theme is set by the window hosts from the model's active theme.
class AppearanceSource : public QObject {
    Q_OBJECT

public:
    explicit AppearanceSource(QObject* parent = nullptr);

    const Appearance& current() const { return current_; }

    void setTheme(BriselTheme theme);
    void setReduceMotion(bool on);
    void setReduceTransparency(bool on);
    // Reads "ReduceMotion" and "ReduceTransparency" ("true" or "1"; false when absent).
    void loadAccessibilityDefaults(const UserDefaults& defaults);

    // Dark when the window colour's lightness is below the middle.
    static bool isDark(const QPalette& palette);

signals:
    void changed();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void update(Appearance next);

    Appearance current_;
};

} // namespace brisel

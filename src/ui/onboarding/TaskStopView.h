#pragma once

#include "ui/onboarding/OnboardingBlocks.h"

#include <QWidget>

class QLabel;
class QPushButton;

namespace brisel {

// Stops the keep-awake task the wizard set up (or retries a stop) and shows how far the stop got:
// one line each for ordinary keep-awake, the display and the closed lid, and a status line. Used
// by the confirmation and completion pages and by the menu welcome. With `recoveryOnly` it shows
// only while a stop runs or must be retried.
class TaskStopView : public QWidget {
    Q_OBJECT

public:
    TaskStopView(const PageEnv& env, bool recoveryOnly = false, QWidget* parent = nullptr);

    void sync(const OnboardingState& state);
    // The owner's own condition for showing the view; it shows when both agree.
    void setWanted(bool wanted);

    QPushButton* button() const { return button_; }

private:
    void applyVisibility();

    const PageEnv& env_;
    bool recoveryOnly_;
    bool wanted_ = true;
    bool ownRule_ = true;
    QPushButton* button_;
    QWidget* details_;
    QLabel* ordinary_;
    QLabel* display_;
    QLabel* lid_;
    QList<QLabel*> captions_;
    QLabel* status_;
};

} // namespace brisel

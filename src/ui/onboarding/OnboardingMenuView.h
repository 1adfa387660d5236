#pragma once

#include "ui/onboarding/OnboardingBlocks.h"

#include <QWidget>

class QLabel;
class QPushButton;

namespace brisel {

class FocusKeeper;
class TaskStopView;

// The tray popup's content while setup is required: a short welcome, "Continue setup" (which
// posts the show-onboarding notification and leaves the popup open) and the task-stop view. 340
// wide; its height follows the content.
class OnboardingMenuView : public QWidget {
    Q_OBJECT

public:
    OnboardingMenuView(ViewContext context, OnboardingState state, OnboardingActions actions,
                       QWidget* parent = nullptr);

    void sync(const OnboardingState& state);
    TaskStopView* taskStopView() const { return stop_; }

protected:
    bool focusNextPrevChild(bool next) override;

private:
    void resync();

    PageEnv env_;
    FocusKeeper* focus_;
    OnboardingState state_;
    QLabel* welcome_;
    QLabel* body_;
    QPushButton* continue_;
    TaskStopView* stop_;
};

} // namespace brisel

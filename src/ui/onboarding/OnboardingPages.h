#pragma once

#include "ui/onboarding/OnboardingBlocks.h"

#include <QWidget>

#include <vector>

class QLabel;
class QVBoxLayout;

namespace brisel {

// One page of the wizard, built once; sync() shows and fills its parts from a state. A screen reader
// meets it as a page named by its heading, which it reads before the control focus goes to in it.
class OnboardingPage : public QWidget {
    Q_OBJECT

public:
    explicit OnboardingPage(const PageEnv& env, QWidget* parent = nullptr);

    virtual void sync(const OnboardingState& state) = 0;
    // The shown heading title ("onboarding.heading").
    QLabel* headingTitle() const;

protected:
    template <typename W> W* add(W* widget, Qt::Alignment alignment = {}) {
        addToColumn(widget, alignment);
        return widget;
    }
    // Not tr(): the Q_OBJECT tr(const char*) would win for literals and skip the localiser.
    QString loc(const QString& key) const { return env_.tr(key); }
    template <typename... Args> QString loc(const QString& key, const Args&... args) const {
        return env_.tr(key, args...);
    }
    // Starts the coordinator's refresh; its outcome arrives as a new state.
    void refresh() const;

    const PageEnv& env_;
    OnboardingState state_; // as last synced: clicks decide on it
    QVBoxLayout* column_;

private:
    void addToColumn(QWidget* widget, Qt::Alignment alignment);
};

// The habit, task, helper, continuity, confirmation and completion pages, in step order.
std::vector<OnboardingPage*> makeOnboardingPages(const PageEnv& env);

} // namespace brisel

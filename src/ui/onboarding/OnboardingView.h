#pragma once

#include "ui/onboarding/OnboardingBlocks.h"

#include <QPointer>
#include <QWidget>

#include <vector>

class QLabel;
class QMessageBox;
class QPushButton;

namespace brisel {

class FocusKeeper;
class OnboardingPage;
class ShownPageStack;
class PhaseHeader;

// The first-run wizard window's content: the phase chips, the storage and action errors, the
// checking line, the page of the current step and the bottom bar. It shows what sync() gives it
// and calls the actions; it never changes the record itself. The host puts it into a window (it
// asks for at least 440 × 520) and re-syncs it on every change of the coordinator or the model.
class OnboardingView : public QWidget {
    Q_OBJECT

public:
    OnboardingView(ViewContext context, OnboardingState state, OnboardingActions actions,
                   QWidget* parent = nullptr);
    ~OnboardingView() override;

    void sync(const OnboardingState& state);
    const OnboardingState& state() const { return state_; }

    // The page shown now (tests search it, since names repeat across pages).
    QWidget* currentPage() const;
    PhaseHeader* phaseHeader() const { return header_; }
    // The open downgrade alert ("onboarding.downgradeAlert"), if any.
    QMessageBox* downgradeAlert() const;

protected:
    bool focusNextPrevChild(bool next) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    Appearance appearance() const;
    void resync();
    void syncFrame();
    void syncBar();
    void stepChanged();
    bool focusCurrentChoice(); // true when a card took focus
    void focusChoiceOnceRecorded();
    void announceChange(const std::optional<QString>& before, const std::optional<QString>& after);
    void openDowngradeAlert();
    void pressMain();
    static Task<void> refreshThenFocus(QPointer<OnboardingView> view, std::function<Task<void>()> refresh);

    PageEnv env_;
    FocusKeeper* focus_;
    OnboardingState state_;
    int shownStep_ = -1;
    // An arrow chose on the record of this generation: focus follows once a newer record arrives.
    std::optional<std::uint64_t> choiceFocusAfter_;
    std::optional<Appearance> appliedAppearance_;
    qint64 appliedPalette_ = 0;
    Task<void> shownRefresh_;

    PhaseHeader* header_;
    QWidget* storageCard_;
    QLabel* storageText_;
    QPushButton* retryStorage_;
    QWidget* errorCard_;
    QLabel* errorText_;
    QWidget* checking_;
    ShownPageStack* stack_;
    std::vector<OnboardingPage*> pages_;
    QWidget* divider_;

    QPushButton* later_;
    QPushButton* back_;
    QPushButton* repairLimit_;
    QPushButton* repairPreparation_;
    QPushButton* next_;
    QPushButton* finish_;
    QPushButton* retryStop_;
};

// The three phase chips, painted as one accessible element ("onboarding.phaseHeader").
class PhaseHeader : public QWidget {
    Q_OBJECT

public:
    explicit PhaseHeader(QWidget* parent = nullptr);
    void sync(int phase, QStringList titles, const QString& accessibleLabel, const Appearance& appearance);
    int phase() const { return phase_; }
    const QStringList& titles() const { return titles_; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int phase_ = 0;
    QStringList titles_;
    Appearance appearance_;
};

} // namespace brisel

#pragma once

#include "services/energy/SignificantEnergyApp.h"
#include "ui/design/SectionCard.h"

#include <QAbstractButton>

#include <functional>
#include <map>
#include <vector>

class QLabel;

namespace brisel {

// The model's energy sampling as the card reads it.
struct ActivityState {
    std::vector<SignificantEnergyApp> apps; // filtered and ordered by the model
    QString sampleStatus;                   // "energySample.ready", "…partial" or "…unavailable"

    bool operator==(const ActivityState&) const = default;
};

struct ActivityActions {
    std::function<void(const SignificantEnergyApp&)> openActivityMonitor;
};

// The line shown instead of rows: its symbol and text key.
struct ActivityStatusLine {
    const char* symbol;
    const char* textKey;
};
ActivityStatusLine activityStatusLine(const QString& sampleStatus);

// One application ("energy-app-<pid>"): its icon and name, a chevron, and the hover pill.
class EnergyAppRow : public QAbstractButton {
    Q_OBJECT

public:
    EnergyAppRow(ViewContext context, QWidget* parent = nullptr);

    void setApp(const SignificantEnergyApp& app);
    const SignificantEnergyApp& app() const { return app_; }
    bool isHovered() const { return hovered_; }
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    ViewContext context_;
    SignificantEnergyApp app_;
    bool hovered_ = false;
};

// The panel card of the applications using significant energy: up to three rows in the model's
// order, each opening the system monitor for its application; or a line saying there are none or
// that energy use cannot be measured. A row stays the same widget while its process stays listed.
class AppActivityCard : public SectionCard {
    Q_OBJECT

public:
    explicit AppActivityCard(ViewContext context, QWidget* parent = nullptr);

    void sync(const ActivityState& state);
    void setActions(ActivityActions actions) { actions_ = std::move(actions); }
    EnergyAppRow* row(std::int32_t pid) const;

protected:
    void appearanceChanged() override;
    void changeEvent(QEvent* event) override;

private:
    void apply();

    ActivityState state_;
    ActivityActions actions_;
    QWidget* content_;
    std::map<std::int32_t, EnergyAppRow*> rows_;
    QWidget* status_;
    class SymbolView* statusSymbol_;
    QLabel* statusText_;
};

} // namespace brisel

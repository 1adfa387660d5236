#include "app/HostedViews.h"

#include "localization/Localizer.h"
#include "model/AppModel.h"

#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

#include <utility>
#include <vector>

namespace brisel {

namespace {

// A stand-in view: one line of text and some buttons, all re-read whenever the model or the
// language changes.
class Placeholder : public QWidget {
public:
    Placeholder(const QString& name, const HostContext& context, std::function<QString()> text)
        : localizer_(context.localizer), text_(std::move(text)) {
        setObjectName(name);
        auto* layout = new QVBoxLayout(this);
        label_ = new QLabel(this);
        label_->setObjectName(name + QStringLiteral("-text"));
        label_->setAlignment(Qt::AlignCenter);
        layout->addWidget(label_);
        follow(&context.model, &AppModel::changed);
        follow(&context.localizer, &Localizer::changed);
        sync();
    }

    void addButton(const QString& name, const QString& titleKey, std::function<void()> action) {
        auto* button = new QPushButton(this);
        button->setObjectName(name);
        connect(button, &QPushButton::clicked, this, [action = std::move(action)] {
            if (action) action();
        });
        layout()->addWidget(button);
        buttons_.emplace_back(button, titleKey);
        sync();
    }

    template <typename Source, typename Signal> void follow(Source* source, Signal signal) {
        connect(source, signal, this, &Placeholder::sync);
    }

private:
    void sync() {
        label_->setText(text_());
        for (const auto& [button, key] : buttons_)
            button->setText(localizer_.tr(key));
    }

    Localizer& localizer_;
    std::function<QString()> text_;
    QLabel* label_;
    std::vector<std::pair<QPushButton*, QString>> buttons_;
};

QString menuBarText(const AppModel& model) {
    return QString::fromStdString(model.menuBarText());
}

} // namespace

HostedViews HostedViews::placeholders() {
    HostedViews views;
    views.controlPanel = [](const HostContext& context) {
        const AppModel& model = context.model;
        auto* view = new Placeholder(QStringLiteral("control-panel-placeholder"), context,
                                     [&model] { return menuBarText(model); });
        view->addButton(QStringLiteral("open-settings"), QStringLiteral("menu.preferences"),
                        context.actions.openSettings);
        view->addButton(QStringLiteral("quit"), QStringLiteral("action.quit"), context.actions.quit);
        return view;
    };
    views.onboardingMenu = [](const HostContext& context, OnboardingCoordinatorInterface&) {
        Localizer& l10n = context.localizer;
        auto* view = new Placeholder(QStringLiteral("onboarding-menu-placeholder"), context,
                                     [&l10n] { return l10n.tr(QStringLiteral("onboarding.windowTitle")); });
        NotificationCenter* requests = &context.requests;
        view->addButton(QStringLiteral("continue-setup"), QStringLiteral("onboarding.continueSetup"),
                        [requests] { requests->post(kShowOnboardingRequest); });
        return view;
    };
    views.dock = [](const HostContext& context, BriselPanelNavigation&) {
        const AppModel& model = context.model;
        auto* view = new Placeholder(QStringLiteral("dock-placeholder"), context,
                                     [&model] { return menuBarText(model); });
        view->addButton(QStringLiteral("open-settings"), QStringLiteral("menu.preferences"),
                        context.actions.openSettings);
        return view;
    };
    views.settings = [](const HostContext& context, BriselSettingsNavigation& navigation) {
        Localizer& l10n = context.localizer;
        QPointer<BriselSettingsNavigation> tab(&navigation);
        auto* view = new Placeholder(QStringLiteral("settings-placeholder"), context, [&l10n, tab] {
            return tab ? l10n.tr(localizationKey(tab->tab())) : QString();
        });
        view->follow(&navigation, &BriselSettingsNavigation::changed);
        return view;
    };
    views.onboarding = [](const HostContext& context, OnboardingCoordinatorInterface& coordinator,
                          OnboardingWindowActions actions) {
        QPointer<OnboardingCoordinatorInterface> flow(&coordinator);
        auto* view = new Placeholder(QStringLiteral("onboarding-placeholder"), context, [flow] {
            return flow ? QString::number(flow->record().step) : QString();
        });
        view->addButton(QStringLiteral("onboarding-close"), QStringLiteral("menu.close"),
                        std::move(actions.close));
        return view;
    };
    return views;
}

} // namespace brisel

#include "ui/settings/SettingsWindowView.h"

#include "localization/Localizer.h"
#include "ui/design/AppearanceSource.h"
#include "ui/design/BriselErrorBanner.h"
#include "ui/design/BriselPanelBackdrop.h"
#include "ui/design/FocusFollower.h"
#include "ui/design/FocusKeeper.h"
#include "ui/design/ShownPageStack.h"
#include "ui/panel/ConfigFeedbackView.h"
#include "ui/panel/PanelControls.h"
#include "ui/settings/SettingsRules.h"
#include "ui/settings/SettingsTabBar.h"

#include <QPainter>
#include <QScrollArea>
#include <QShowEvent>
#include <QVBoxLayout>

namespace brisel {

namespace {

// Puts `item` into `column` with 14 on either side and `top` above it, in a frame that is hidden
// with the item (a hidden item's margins would still take room).
QWidget* padded(QVBoxLayout* column, QWidget* item, int top) {
    auto* frame = new QWidget;
    auto* row = new QHBoxLayout(frame);
    row->setContentsMargins(14, top, 14, 0);
    row->addWidget(item);
    column->addWidget(frame);
    return frame;
}

} // namespace

SettingsWindowView::SettingsWindowView(ViewContext context, BriselSettingsNavigation& navigation,
                                       QWidget* parent)
    : QWidget(parent), context_(context), focus_(new FocusKeeper(this)), navigation_(&navigation),
      dropdowns_(new ActiveDropdown(this)), config_(new ConfigFeedbackView(context, true)),
      banner_(new BriselErrorBanner(context)), tabBar_(new SettingsTabBar(context)), scroll_(new QScrollArea) {
    setObjectName("settings-window-view");
    setMinimumSize(440, 520);
    banner_->setObjectName("global-error");
    const SettingsPageContext pages{context, dropdowns_, &flags_, &actions_};
    pages_ = {new ChargingSettingsPage(pages), new AwakeSettingsPage(pages), new GeneralSettingsPage(pages)};

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(10);
    configFrame_ = padded(column, config_, 10);
    bannerFrame_ = padded(column, banner_, 10);
    padded(column, tabBar_, 12);
    auto* content = new QWidget;
    auto* contentColumn = new QVBoxLayout(content);
    contentColumn->setContentsMargins(14, 2, 14, 14);
    contentColumn->setSpacing(10);
    auto* pageFrame = new QWidget;
    stack_ = new ShownPageStack(pageFrame);
    for (SettingsPage* page : pages_)
        stack_->addWidget(page);
    contentColumn->addWidget(pageFrame);
    contentColumn->addStretch(1);
    scroll_->setObjectName("settings-scroll");
    scroll_->setWidgetResizable(true);
    scroll_->setFrameShape(QFrame::NoFrame);
    scroll_->setFocusPolicy(Qt::NoFocus); // a Tab stop there would show no ring
    scroll_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    scroll_->setWidget(content);
    new FocusFollower(*scroll_); // Tab into the page from the bar or round the window shows the control
    // The window draws the backdrop under everything.
    for (QWidget* layer : {static_cast<QWidget*>(scroll_), scroll_->viewport(), content})
        layer->setAutoFillBackground(false);
    column->addWidget(scroll_, 1);

    tabBar_->setOnSelect([this](BriselSettingsTab tab) { select(tab); });
    connect(&navigation, &BriselSettingsNavigation::changed, this, &SettingsWindowView::navigationChanged);
    tab_ = navigation.tab();
    navigationChanged();
    context_.observe(this, [this] {
        apply();
        update();
    });
}

void SettingsWindowView::setActions(SettingsActions actions) {
    actions_ = std::move(actions);
    config_->setOnRetrySave(actions_.saveConfig);
    for (SettingsPage* page : pages_)
        page->actionsChanged();
}

void SettingsWindowView::select(BriselSettingsTab tab) {
    // A tap closes any open menu first, also on the tab already shown.
    dropdowns_->setId(std::nullopt);
    if (!navigation_) return;
    selecting_ = true;
    navigation_->setTab(tab);
    selecting_ = false;
}

void SettingsWindowView::navigationChanged() {
    if (!navigation_) return;
    const BriselSettingsTab tab = navigation_->tab();
    // The pill slides after a tap and moves at once when the host chose the tab.
    tabBar_->setSelected(tab, selecting_);
    if (stack_->currentIndex() != int(tab)) {
        focus_->beforeHiding(*stack_->currentWidget());
        stack_->setCurrentIndex(int(tab));
        focus_->settle();
    }
    if (tab == tab_) return;
    tab_ = tab;
    flags_.entryConstraintAttempted = false;
    pages_[size_t(BriselSettingsTab::general)]->apply();
    apply();
}

void SettingsWindowView::sync(const SettingsState& state) {
    state_ = state;
    // The window sets the theme for everything inside it.
    if (context_.appearance) context_.appearance->setTheme(state.theme);
    for (SettingsPage* page : pages_)
        page->sync(state_);
    apply();
    focus_->settle();
}

void SettingsWindowView::apply() {
    // The awake tab shows a settings-file error that belongs to a pending stop itself.
    ConfigFeedbackState config = state_.config;
    config.awakeOwnsConfigError = config.awakeOwnsConfigError && tab_ == BriselSettingsTab::awake;
    config_->sync(config);
    configFrame_->setVisible(shownConfigError(config, true).has_value());
    const SettingsBanner banner = bannerFor(state_, tab_);
    banner_->setMessage(banner.text.value_or(QString()), banner.attempt);
    if (context_.l10n)
        banner_->setDismiss(banner.persistent ? std::function<void()>() : actions_.dismissError,
                            context_.l10n->tr("action.dismiss"));
    bannerFrame_->setVisible(banner.text.has_value());
    orderTabsByLayout(this);
}

void SettingsWindowView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (event->spontaneous()) return;
    callIfSet(actions_.refreshLaunchAtLogin);
    callIfSet(actions_.refreshNotificationStatus);
}

bool SettingsWindowView::focusNextPrevChild(bool next) {
    return focus_->keep() || QWidget::focusNextPrevChild(next);
}

void SettingsWindowView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    BriselPanelBackdrop::paint(painter, rect(), context_.currentAppearance(), palette());
}

} // namespace brisel

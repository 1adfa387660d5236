#include "app/BriselApp.h"

#include "app/MainMenu.h"
#include "app/StatusItem.h"
#include "localization/Localizer.h"
#include "model/AppModel.h"
#include "ui/design/AccessibleText.h"
#include "ui/design/KeySettle.h"
#include "ui/design/ShownSync.h"

#include <QApplication>
#include <QCursor>
#include <QEvent>
#include <QMenu>
#include <QProgressBar>
#include <QScreen>
#include <QStackedWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace brisel {

// ---- panel ------------------------------------------------------------------------------------

PanelHost::PanelHost(AppDelegate& delegate)
    : QWidget(nullptr, Qt::Popup | Qt::FramelessWindowHint), delegate_(delegate) {
    setObjectName(QStringLiteral("menu-bar-panel"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSizeConstraint(QLayout::SetNoConstraint); // sized by place(), in one step with its move
    stack_ = new QStackedWidget(this);
    layout->addWidget(stack_);
    sync();
}

PanelHost::Page PanelHost::pageFor(bool startupLoading, bool hasCoordinator, bool setupRequired) {
    if (startupLoading) return Page::progress;
    if (hasCoordinator && setupRequired) return Page::onboardingMenu;
    return Page::controlPanel;
}

QWidget* PanelHost::pageWidget(Page page) const {
    return pages_[static_cast<int>(page)];
}

QWidget* PanelHost::ensurePage(Page page) {
    QWidget*& slot = pages_[static_cast<int>(page)];
    if (slot) return slot;
    const QuietBuild quiet(*this);
    const HostContext context = delegate_.hostContext(delegate_.defaultActions());
    switch (page) {
    case Page::progress: {
        slot = new QWidget();
        slot->setFixedSize(180, 100);
        auto* layout = new QVBoxLayout(slot);
        auto* progress = new QProgressBar(slot);
        progress->setObjectName(QStringLiteral("menu-bar-progress"));
        progress->setRange(0, 0); // busy
        progress->setTextVisible(false);
        progress->setMaximumWidth(120);
        layout->addWidget(progress, 0, Qt::AlignCenter);
        break;
    }
    case Page::onboardingMenu:
        slot = delegate_.views().onboardingMenu(context, *delegate_.model().onboarding());
        break;
    case Page::controlPanel:
        slot = delegate_.views().controlPanel(context);
        break;
    }
    stack_->addWidget(slot);
    return slot;
}

void PanelHost::sync() {
    const AppModel& model = delegate_.model();
    page_ = pageFor(model.startupLoading(), model.onboarding() != nullptr, model.setupRequired());
    QWidget* widget = ensurePage(page_);
    if (stack_->currentWidget() == widget) return;
    stack_->setCurrentWidget(widget);
    // A stacked widget asks for its largest page; the popup takes the size of the one it shows.
    for (QWidget* page : pages_) {
        if (page) page->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
    }
    widget->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
}

void PanelHost::toggle(const QRect& anchor) {
    if (isVisible()) {
        hide();
        return;
    }
    anchor_ = anchor;
    cursor_ = QCursor::pos();
    // Measured as it will show: on the icon's screen, where its page reads its height limit, and
    // with what changed while it was closed. The window is mapped with that frame.
    setScreen(iconScreen());
    ShownSync::catchUp(*this);
    place();
    show();
    activateWindow();
    KeySettle::settle(this);
}

QRect PanelHost::placement(const QRect& anchor, QPoint cursor, QSize size, const QRect& area) {
    const auto inside = [&](QPoint topLeft) {
        QRect frame(topLeft, size);
        if (area.isEmpty()) return frame;
        frame.moveLeft(
            std::clamp(frame.left(), area.left(), std::max(area.left(), area.right() - size.width() + 1)));
        frame.moveTop(
            std::clamp(frame.top(), area.top(), std::max(area.top(), area.bottom() - size.height() + 1)));
        return frame;
    };
    if (anchor.isEmpty()) return inside(cursor);
    // Below the icon; above it at a tray at the bottom; beside it at a tray at a side whose panel
    // takes no strip of the screen. Over it only when the area leaves no other place.
    const QRect below = inside(anchor.bottomLeft() + QPoint(0, 1));
    for (const QRect& frame :
         {below, inside({anchor.left(), anchor.top() - size.height()}),
          inside(anchor.topRight() + QPoint(1, 0)), inside({anchor.left() - size.width(), anchor.top()})})
        if (!frame.intersects(anchor)) return frame;
    return below;
}

QScreen* PanelHost::iconScreen() const {
    QScreen* screen = QGuiApplication::screenAt(anchor_.isEmpty() ? cursor_ : anchor_.center());
    return screen ? screen : QGuiApplication::primaryScreen();
}

void PanelHost::place() {
    const QScreen* on = iconScreen();
    const QRect frame = placement(anchor_, cursor_, sizeHint(), on ? on->availableGeometry() : QRect());
    if (frame != geometry()) setGeometry(frame);
}

bool PanelHost::event(QEvent* event) {
    const bool done = QWidget::event(event);
    // Its page grew or shrank while shown: it takes the new size by its icon in one step, never
    // resized where it stands and moved after.
    if (event->type() == QEvent::LayoutRequest && isVisible()) place();
    return done;
}

// ---- application ------------------------------------------------------------------------------

BriselApp::BriselApp(AppModel& model, std::unique_ptr<StatusItem> statusItem, AppDelegateOptions options)
    : delegate_(std::make_unique<AppDelegate>(model, std::move(options))), statusItem_(std::move(statusItem)),
      panel_(std::make_unique<PanelHost>(*delegate_)),
      contextMenu_(delegate_->mainMenu().createApplicationMenu()) {
    statusItem_->setContextMenu(contextMenu_.get());
    statusItem_->onActivated = [this](const QRect& anchor) { panel_->toggle(anchor); };
    connect(&model, &AppModel::changed, this, &BriselApp::sync);
    connect(&delegate_->localizer(), &Localizer::changed, this, &BriselApp::sync);
    qApp->installEventFilter(this);
    sync();
}

BriselApp::~BriselApp() {
    qApp->removeEventFilter(this);
    statusItem_->onActivated = nullptr;
}

void BriselApp::applicationDidFinishLaunching() {
    delegate_->applicationDidFinishLaunching();
}

bool BriselApp::eventFilter(QObject* watched, QEvent* event) {
    if (watched == qApp && event->type() == QEvent::ApplicationPaletteChange) sync();
    return QObject::eventFilter(watched, event);
}

void BriselApp::sync() {
    AppModel& model = delegate_->model();
    panel_->sync();

    // The desktop's text colour is the best guess at what its panel shows; the halo covers the rest.
    const QColor tint = QGuiApplication::palette().color(QPalette::WindowText);
    MenuBarLabel label = MenuBarLabel::of(model, delegate_->localizer(), tint);
    if (label != shownLabel_) {
        statusItem_->setLabel(label.icon(), label.description);
        shownLabel_ = std::move(label);
    }
    const bool visible = model.showMenuBarIcon();
    if (visible != shownVisible_) {
        statusItem_->setVisible(visible);
        shownVisible_ = visible;
    }
}

} // namespace brisel

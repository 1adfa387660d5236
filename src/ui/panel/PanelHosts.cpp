#include "ui/panel/PanelHosts.h"

#include "model/AppModel.h"
#include "ui/design/AppearanceSource.h"
#include "ui/design/BriselColors.h"
#include "ui/design/BriselPanelBackdrop.h"
#include "ui/design/FocusFollower.h"
#include "ui/design/Haptics.h"
#include "ui/design/QtAnnouncer.h"
#include "ui/design/ShownSync.h"
#include "ui/panel/ControlPanel.h"
#include "ui/panel/PanelFooter.h"

#include <QEvent>
#include <QGuiApplication>
#include <QHideEvent>
#include <QLayout>
#include <QPainter>
#include <QProxyStyle>
#include <QScreen>
#include <QScrollBar>
#include <QShowEvent>
#include <QStyleOption>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace brisel {

namespace {

// Scroll bars that lie over the content: the viewport keeps its whole width, so the 340-wide panel
// is never cut. The popup's shows only while in use; the dock's (`shown`) stays, a slim thumb, so
// the window says there is more below.
class OverlayScrollBarStyle : public QProxyStyle {
public:
    explicit OverlayScrollBarStyle(bool shown) : shown_(shown) {}

    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* data) const override {
        if (hint == SH_ScrollBar_Transient) return 1;
        return QProxyStyle::styleHint(hint, option, widget, data);
    }

    void drawComplexControl(ComplexControl control, const QStyleOptionComplex* option, QPainter* painter,
                            const QWidget* widget) const override {
        if (control != CC_ScrollBar || !shown_) {
            QProxyStyle::drawComplexControl(control, option, painter, widget);
            return;
        }
        const QRectF thumb =
            QRectF(subControlRect(control, option, SC_ScrollBarSlider, widget)).adjusted(2, 2, -2, -2);
        if (thumb.isEmpty()) return;
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        painter->setPen(Qt::NoPen);
        painter->setBrush(BriselColors::primary(option->palette, 0.35));
        painter->drawRoundedRect(thumb, thumb.width() / 2, thumb.width() / 2);
        painter->restore();
    }

private:
    bool shown_;
};

// The popup's main screen is the one it opens on, its tray icon's.
std::optional<double> availableScreenHeight(const QWidget& widget) {
    const QScreen* screen = widget.screen();
    if (!screen) return std::nullopt;
    return screen->availableGeometry().height();
}

void paintBackdrop(QWidget& widget, const ViewContext& view) {
    QPainter painter(&widget);
    BriselPanelBackdrop::paint(painter, widget.rect(), view.currentAppearance(), widget.palette());
}

} // namespace

ViewContext completedViewContext(ViewContext view, HostViewParts& parts) {
    if (!view.appearance) view.appearance = &parts.appearance;
    if (!view.announcer) view.announcer = &parts.announcer;
    if (!view.haptics) view.haptics = &parts.haptics;
    return view;
}

double popoverMaximumHeight(std::optional<double> availableHeight) {
    constexpr double cap = 680;
    constexpr double floor = 200;
    if (!availableHeight || !std::isfinite(*availableHeight)) return cap;
    return std::clamp(*availableHeight - 60, floor, cap);
}

// ---- viewport --------------------------------------------------------------------------------------

PanelScrollViewport::PanelScrollViewport(QWidget* content, std::optional<double> maximumHeight,
                                         QWidget* parent)
    : QScrollArea(parent), content_(content), maximum_(maximumHeight) {
    setObjectName("panel-scroll-viewport");
    setFocusPolicy(Qt::NoFocus); // the controls take the focus; the area itself is no Tab stop
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(maximumHeight ? Qt::ScrollBarAlwaysOff : Qt::ScrollBarAsNeeded);
    auto* overlay = new OverlayScrollBarStyle(!maximumHeight);
    overlay->setParent(this);
    verticalScrollBar()->setStyle(overlay);
    setWidgetResizable(false);
    setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    setWidget(content);
    // The host draws the backdrop; the area and its content draw nothing behind themselves.
    for (QWidget* layer : {static_cast<QWidget*>(this), viewport(), content}) {
        layer->setAutoFillBackground(false);
        layer->setAttribute(Qt::WA_TranslucentBackground);
    }
    content->installEventFilter(this);
    new FocusFollower(*this);
    relayout();
}

void PanelScrollViewport::setMaximumContentHeight(std::optional<double> maximum) {
    maximum_ = maximum;
    relayout();
}

double PanelScrollViewport::contentHeight() const {
    const double height = content_->hasHeightForWidth() ? content_->heightForWidth(ControlPanel::width)
                                                        : content_->sizeHint().height();
    if (height > 0 && std::isfinite(height)) return height;
    return maximum_.value_or(0);
}

void PanelScrollViewport::relayout() {
    // Until the content's layout runs, its inner layouts answer from what they held before (a
    // section shown or hidden since is not counted): run it first, also while hidden. A layout that
    // has not run at this width yet may still answer from before; sizing the content lets it run,
    // so size again until the answer holds.
    if (QLayout* layout = content_->layout()) layout->activate();
    double height = contentHeight();
    for (int pass = 0; pass < 3 && content_->size() != QSize(ControlPanel::width, int(std::ceil(height)));
         ++pass) {
        content_->resize(ControlPanel::width, int(std::ceil(height)));
        height = contentHeight();
    }
    if (!maximum_) return;
    const bool scrolls = *maximum_ < height;
    setVerticalScrollBarPolicy(scrolls ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
    // Content that fits is always shown from its top.
    if (!scrolls && verticalScrollBar()->value() != 0) verticalScrollBar()->setValue(0);
    const QSize hint(ControlPanel::width, int(std::ceil(scrolls ? *maximum_ : height)));
    if (hint == hint_) return;
    hint_ = hint;
    updateGeometry();
}

QSize PanelScrollViewport::sizeHint() const {
    if (!maximum_) return {ControlPanel::width, int(std::ceil(contentHeight()))};
    return hint_;
}

bool PanelScrollViewport::eventFilter(QObject* watched, QEvent* event) {
    if (watched == content_ && event->type() == QEvent::LayoutRequest) relayout();
    return QScrollArea::eventFilter(watched, event);
}

void PanelScrollViewport::showEvent(QShowEvent* event) {
    // Opened, it starts at its top, where the charge is; restored by the window system, it stays
    // where the user left it.
    if (!event->spontaneous()) verticalScrollBar()->setValue(0);
    QScrollArea::showEvent(event);
}

// ---- popover ---------------------------------------------------------------------------------------

PopoverControlPanel::PopoverControlPanel(ViewContext view, AppModel& model, PanelHostActions actions,
                                         QWidget* parent)
    : QWidget(parent), owned_(std::make_unique<HostViewParts>(model.services.defaults)),
      view_(completedViewContext(view, *owned_)), panel_(new ControlPanel(view_, true, false)),
      viewport_(new PanelScrollViewport(panel_, popoverMaximumHeight(availableScreenHeight(*this)), this)),
      limit_(new ShownSync(*this, [this] {
          viewport_->setMaximumContentHeight(popoverMaximumHeight(availableScreenHeight(*this)));
      })) {
    setObjectName("popover-control-panel");
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->addWidget(viewport_);
    panel_->setNavigation(
        {[this] { return keepAwakeExpanded_; }, [this](bool on) { keepAwakeExpanded_ = on; }},
        {[this] { return feedbackExpanded_; }, [this](bool on) { feedbackExpanded_ = on; }});
    bindControlPanel(*panel_, model, actions);
    panel_->footer()->installShortcuts();
    view_.observe(this, [this] { update(); });
    limit_->changed(); // read again on the screen it first opens on
}

PopoverControlPanel::~PopoverControlPanel() {
    // The panel uses the owned parts; it goes before them.
    qDeleteAll(findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly));
}

void PopoverControlPanel::paintEvent(QPaintEvent*) {
    paintBackdrop(*this, view_);
}

void PopoverControlPanel::hideEvent(QHideEvent* event) {
    // It may open on another screen next time: the limit is read again as it catches up.
    limit_->changed();
    keepAwakeExpanded_ = false;
    feedbackExpanded_ = false;
    panel_->refreshNavigation();
    QWidget::hideEvent(event);
}

// ---- dock ------------------------------------------------------------------------------------------

DockDashboardView::DockDashboardView(ViewContext view, AppModel& model, BoolBinding keepAwakeExpanded,
                                     BoolBinding feedbackExpanded, PanelHostActions actions, QWidget* parent)
    : QWidget(parent), owned_(std::make_unique<HostViewParts>(model.services.defaults)),
      view_(completedViewContext(view, *owned_)), keepAwakeExpanded_(std::move(keepAwakeExpanded)),
      feedbackExpanded_(std::move(feedbackExpanded)), panel_(new ControlPanel(view_, true, false)) {
    setObjectName("dock-dashboard");
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->addWidget(new PanelScrollViewport(panel_, std::nullopt, this));
    panel_->setNavigation(keepAwakeExpanded_, feedbackExpanded_);
    bindControlPanel(*panel_, model, actions);
    view_.observe(this, [this] { update(); });
}

DockDashboardView::~DockDashboardView() {
    qDeleteAll(findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly));
}

void DockDashboardView::refreshNavigation() {
    panel_->refreshNavigation();
}

void DockDashboardView::paintEvent(QPaintEvent*) {
    paintBackdrop(*this, view_);
}

void DockDashboardView::hideEvent(QHideEvent* event) {
    // Closed, it opens folded the next time; minimised, it keeps what the user unfolded.
    if (event->spontaneous()) {
        QWidget::hideEvent(event);
        return;
    }
    if (keepAwakeExpanded_) keepAwakeExpanded_.set(false);
    if (feedbackExpanded_) feedbackExpanded_.set(false);
    panel_->refreshNavigation();
    QWidget::hideEvent(event);
}

} // namespace brisel

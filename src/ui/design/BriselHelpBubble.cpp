#include "ui/design/BriselHelpBubble.h"

#include "ui/design/BriselAccessibleWidget.h"
#include "ui/design/BriselColors.h"
#include "ui/design/BriselTypography.h"
#include "ui/design/ThemeColor.h"

#include <QEvent>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace brisel {

namespace {

constexpr int padding = 6;
constexpr int lift = 28;

// Whether no ancestor cuts any of `widget` off (a scroll area's viewport, the window).
bool wholeInView(const QWidget& widget) {
    const QWidget* window = widget.window();
    const QRect whole(widget.mapTo(window, QPoint(0, 0)), widget.size());
    QRect seen = whole & window->rect();
    for (const QWidget* w = widget.parentWidget(); w && w != window; w = w->parentWidget())
        seen &= QRect(w->mapTo(window, QPoint(0, 0)), w->size());
    return seen == whole;
}

} // namespace

BriselHelpBubble::BriselHelpBubble(ViewContext context, QWidget* anchor)
    : QWidget(anchor->window()), context_(context), anchor_(anchor) {
    BriselAccessibleWidget::setHidden(this);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
    hide();
    anchor->installEventFilter(this);
    // It lives in the window, so it goes with its control, not with the window.
    connect(anchor, &QObject::destroyed, this, &QObject::deleteLater);
    context_.observe(this, [this] { update(); });
}

void BriselHelpBubble::setText(const QString& text) {
    if (text == text_) return;
    text_ = text;
    if (shown_) follow();
}

void BriselHelpBubble::setShown(bool shown) {
    shown_ = shown;
    if (!anchor_) return;
    // The anchor may have been moved into another window since.
    if (parentWidget() != anchor_->window()) setParent(anchor_->window());
    if (shown)
        for (QWidget* w = anchor_; w && w != anchor_->window(); w = w->parentWidget())
            w->installEventFilter(this);
    follow();
}

void BriselHelpBubble::follow() {
    if (!anchor_ || !shown_ || text_.isEmpty() || !wholeInView(*anchor_)) return hide();
    const QFontMetrics metrics(BriselTypography::microMeta());
    const int width = std::min(metrics.horizontalAdvance(text_) + 2 * padding + 1,
                               std::max(anchor_->width(), 2 * padding + 1));
    const QSizeF text =
        BriselTypography::wrappedSize(BriselTypography::microMeta(), text_, width - 2 * padding);
    const int height = int(std::ceil(text.height())) + 2 * padding;
    const QPoint topCentre = anchor_->mapTo(parentWidget(), QPoint(anchor_->width() / 2, 0));
    setGeometry(topCentre.x() - width / 2, topCentre.y() - lift, width, height);
    show();
    raise();
    update();
}

bool BriselHelpBubble::eventFilter(QObject* watched, QEvent* event) {
    // The anchor or one of its ancestors moved or changed size.
    if (shown_ && (event->type() == QEvent::Move || event->type() == QEvent::Resize)) follow();
    return QWidget::eventFilter(watched, event);
}

void BriselHelpBubble::paintEvent(QPaintEvent*) {
    const Appearance appearance = context_.currentAppearance();
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath shape;
    shape.addRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 6, 6);
    // The regular material: denser than the ultra-thin one, over the window colour.
    painter.fillPath(shape, withOpacity(palette().color(QPalette::Window), 0.94));
    painter.fillPath(shape, withOpacity(appearance.dark ? Qt::white : Qt::black, 0.04));
    painter.strokePath(shape, QPen(BriselColors::primary(palette(), 0.12), 0.75));
    painter.setFont(BriselTypography::microMeta());
    painter.setPen(BriselColors::primary(palette()));
    painter.drawText(rect().adjusted(padding, padding, -padding, -padding), Qt::TextWordWrap, text_);
}

} // namespace brisel

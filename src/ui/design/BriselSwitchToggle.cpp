#include "ui/design/BriselSwitchToggle.h"

#include "ui/design/BriselColors.h"
#include "ui/design/BriselOpticalSurface.h"
#include "ui/design/BriselTypography.h"
#include "ui/design/Shadow.h"
#include "ui/design/ThemeColor.h"

#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace brisel {

namespace {

const Spring toggleSpring{0.24, 0.78};
constexpr double titleGap = 10;
constexpr double knobInset = 2;
constexpr double trackRim = 0.7;
// Room around the track for the focus ring.
constexpr double ringRoom = 2;

QColor rgba(double r, double g, double b, double a) {
    return QColor::fromRgbF(float(r), float(g), float(b), float(a));
}

QColor white(double a) {
    return withOpacity(Qt::white, a);
}

QColor black(double a) {
    return withOpacity(Qt::black, a);
}

QLinearGradient vertical(const QRectF& r, const QColor& top, const QColor& bottom) {
    QLinearGradient g(r.topLeft(), r.bottomLeft());
    g.setColorAt(0, top);
    g.setColorAt(1, bottom);
    return g;
}

QPainterPath capsule(const QRectF& r) {
    QPainterPath p;
    p.addRoundedRect(r, r.height() / 2, r.height() / 2);
    return p;
}

// A rim drawn inside the edge of `r`.
void insetRim(QPainter& painter, const QRectF& r, double width, const QBrush& brush) {
    const double h = width / 2;
    painter.strokePath(capsule(r.adjusted(h, h, -h, -h)), QPen(brush, width));
}

} // namespace

BriselSwitchToggle::Metrics BriselSwitchToggle::metrics(bool glass) {
    if (glass) return {{38, 20}, {20, 16}, 0.75};
    return {{34, 20}, {16, 16}, 0.5};
}

BriselSwitchToggle::BriselSwitchToggle(ViewContext context, QString title, QWidget* parent)
    : QAbstractButton(parent), context_(context), knob_(0, [this](double) { update(); }, this) {
    setCheckable(true);
    setFocusPolicy(Qt::StrongFocus);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setTitle(title);
    connect(this, &QAbstractButton::clicked, this, [this] {
        if (onToggle_) onToggle_(!isChecked());
    });
    connect(this, &QAbstractButton::toggled, this, [this](bool on) {
        // A switch nobody sees (the first sync before its window opens) does not animate.
        knob_.moveTo(on ? 1 : 0, toggleSpring, context_.currentAppearance().reduceMotion || !isVisible());
        update();
    });
    context_.observe(this, [this] {
        updateGeometry();
        update();
    });
}

void BriselSwitchToggle::setTitle(const QString& title) {
    if (title == title_) return;
    title_ = title;
    setAccessibleName(title);
    // Alone, the switch keeps its natural size; with a label it is a row that takes the width.
    if (title.isEmpty())
        setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    else if (sizePolicy().horizontalPolicy() == QSizePolicy::Fixed)
        setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    updateGeometry();
    update();
}

void BriselSwitchToggle::setOn(bool on) {
    if (on != isChecked()) setChecked(on);
}

QRectF BriselSwitchToggle::trackRect() const {
    const QSizeF track = metrics(context_.currentAppearance().glass()).track;
    return {width() - ringRoom - track.width(), (height() - track.height()) / 2, track.width(), track.height()};
}

QRectF BriselSwitchToggle::knobRect() const {
    const QRectF track = trackRect();
    const QSizeF knob = metrics(context_.currentAppearance().glass()).knob;
    const double travel = track.width() - 2 * knobInset - knob.width();
    return {track.left() + knobInset + travel * knob_.value(), track.center().y() - knob.height() / 2, knob.width(),
            knob.height()};
}

QRectF BriselSwitchToggle::titleRect(double w, double h) const {
    const double left = leadingWidth();
    const double right = w - ringRoom - metrics(context_.currentAppearance().glass()).track.width() - titleGap;
    return {left, 0, std::max(0.0, right - left), h};
}

QSize BriselSwitchToggle::sizeHint() const {
    const QSizeF track = metrics(context_.currentAppearance().glass()).track;
    double w = track.width() + 2 * ringRoom;
    double h = track.height() + 2 * ringRoom;
    if (!title_.isEmpty()) {
        const QFontMetricsF fm(BriselTypography::controlLabel());
        w += leadingWidth() + fm.horizontalAdvance(title_) + titleGap;
        h = std::max(h, fm.height());
    }
    return {int(std::ceil(w)), std::max(int(std::ceil(h)), minimumRowHeight())};
}

QSize BriselSwitchToggle::minimumSizeHint() const {
    const QSize full = sizeHint();
    if (title_.isEmpty()) return full;
    const QSizeF track = metrics(context_.currentAppearance().glass()).track;
    return {int(std::ceil(leadingWidth() + titleGap + track.width() + 2 * ringRoom)) + 40, full.height()};
}

int BriselSwitchToggle::heightForWidth(int width) const {
    const QSizeF used = BriselTypography::wrappedSize(BriselTypography::controlLabel(), title_,
                                                      titleRect(width, 10000).width());
    return std::max(sizeHint().height(), int(std::ceil(used.height())));
}

void BriselSwitchToggle::enterEvent(QEnterEvent* event) {
    hovered_ = true;
    update();
    QAbstractButton::enterEvent(event);
}

void BriselSwitchToggle::leaveEvent(QEvent* event) {
    hovered_ = false;
    update();
    QAbstractButton::leaveEvent(event);
}

void BriselSwitchToggle::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (!isEnabled()) painter.setOpacity(0.45);
    paintLeading(painter, QRectF(rect()));
    if (!title_.isEmpty()) {
        painter.setFont(BriselTypography::controlLabel());
        painter.setPen(BriselColors::primary(palette()));
        painter.drawText(titleRect(width(), height()), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap, title_);
    }
    const QRectF track = trackRect();
    paintSwitch(painter, track);
    if (hasFocus()) BriselColors::paintFocusRing(painter, capsule(track.adjusted(-1, -1, 1, 1)), palette());
}

void BriselSwitchToggle::paintSwitch(QPainter& painter, const QRectF& track) const {
    const Appearance look = context_.currentAppearance();
    const bool glass = look.glass();
    const bool dark = look.dark;
    const QPainterPath trackShape = capsule(track);

    // Off, then on over it at the knob's progress, so the colours travel with the knob.
    const QColor offTop = dark ? white(hovered_ ? 0.16 : 0.11) : black(hovered_ ? 0.11 : 0.08);
    const QColor offBottom = dark ? white(hovered_ ? 0.22 : 0.16) : black(hovered_ ? 0.08 : 0.055);
    painter.fillPath(trackShape, vertical(track, offTop, offBottom));
    if (glass)
        insetRim(painter, track, trackRim, dark ? vertical(track, white(0.12), white(0.08)) : vertical(track, black(0.12), black(0.06)));
    else
        insetRim(painter, track, trackRim, dark ? vertical(track, black(0.32), white(0.2)) : vertical(track, black(0.11), white(0.82)));

    const double progress = std::clamp(knob_.value(), 0.0, 1.0);
    if (progress > 0) {
        painter.save();
        painter.setOpacity(painter.opacity() * progress);
        const QColor onTop = dark ? rgba(0.16, 0.74, 0.31, glass ? 0.86 : 1) : rgba(0.18, 0.72, 0.31, glass ? 0.88 : 1);
        const QColor onBottom = dark ? rgba(0.19, 0.84, 0.36, glass ? 0.92 : 1) : rgba(0.2, 0.8, 0.36, glass ? 0.94 : 1);
        painter.fillPath(trackShape, vertical(track, onTop, onBottom));
        insetRim(painter, track, trackRim, vertical(track, white(glass ? 0.38 : 0.12), white(dark ? 0.26 : 0.34)));
        painter.restore();
    }

    const QRectF knob = knobRect();
    const QPainterPath knobShape = capsule(knob);
    Shadow{black(dark ? 0.22 : 0.14), 0.5, 0.5}.paint(painter, knobShape);
    Shadow{black(dark ? 0.24 : 0.1), 1.75, 1}.paint(painter, knobShape);
    QLinearGradient body(knob.topLeft(), knob.bottomLeft());
    if (glass) {
        painter.fillPath(knobShape, BriselOpticalSurface::ultraThinMaterial(dark));
        body.setColorAt(0, white(0.92));
        body.setColorAt(0.52, white(0.74));
        body.setColorAt(1, rgba(0.96, 0.96, 0.96, 0.86));
    } else {
        body.setColorAt(0, Qt::white);
        body.setColorAt(1, rgba(0.965, 0.965, 0.965, 1));
    }
    painter.fillPath(knobShape, body);
    QLinearGradient rim(knob.topLeft(), knob.bottomRight());
    rim.setColorAt(0, Qt::white);
    rim.setColorAt(1, glass ? white(dark ? 0.42 : 0.65) : black(dark ? 0.14 : 0.07));
    insetRim(painter, knob, metrics(glass).knobRim, rim);
}

} // namespace brisel

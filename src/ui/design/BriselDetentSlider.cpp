#include "ui/design/BriselDetentSlider.h"

#include "ui/design/AccessibleText.h"
#include "ui/design/BriselColors.h"
#include "ui/design/BriselHelpBubble.h"
#include "ui/design/BriselOpticalSurface.h"
#include "ui/design/BriselSemanticColor.h"
#include "ui/design/BriselTypography.h"
#include "ui/design/Haptics.h"
#include "ui/design/SemanticSlider.h"
#include "ui/design/Shadow.h"
#include "ui/design/ThemeColor.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace brisel {

namespace {

constexpr double trackMid = 9;
constexpr double trackThickness = 5.5;
const Spring thumbReturnSpring{0.2, 0.84};

QColor grey(double level, double opacity = 1) {
    return QColor::fromRgbF(float(level), float(level), float(level), float(opacity));
}

QPainterPath capsule(const QRectF& rect) {
    QPainterPath path;
    const double radius = std::min(rect.width(), rect.height()) / 2;
    path.addRoundedRect(rect, radius, radius);
    return path;
}

QRectF centredAt(QPointF centre, QSizeF size) {
    return {centre.x() - size.width() / 2, centre.y() - size.height() / 2, size.width(), size.height()};
}

} // namespace

BriselDetentSlider::BriselDetentSlider(ViewContext context, QWidget* parent)
    : QWidget(parent), context_(context), input_(new SemanticSlider(this)),
      bubble_(new BriselHelpBubble(context, this)), thumbReturn_(
                                                        1.0, [this](double) { update(); }, this) {
    setMouseTracking(true);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    input_->setObjectName("detent-slider");
    input_->onFocusChange = [this](bool focused) {
        keyboardFocused_ = focused;
        bubble_->setShown(focused && state_.helpText.has_value());
    };
    input_->valueDescription = [this](double value) { return formatValue(roundToInt(value)); };
    input_->nextValue = [this](double value, int direction) { return track().nextValue(value, direction); };
    input_->onCommit = [this](double value) {
        if (onSelect_) onSelect_(track().committedValue(value));
    };
    context_.observe(this, [this] { update(); });
    syncInput();
}

void BriselDetentSlider::sync(DetentSliderState state) {
    state_ = std::move(state);
    setToolTipIfChanged(this, state_.helpText.value_or(QString()));
    bubble_->setText(state_.helpText.value_or(QString()));
    bubble_->setShown(keyboardFocused_ && state_.helpText.has_value());
    syncInput();
    update();
}

void BriselDetentSlider::syncInput() {
    const DetentTrack t = track();
    input_->setRange(t.minimum(), t.maximum());
    input_->setValue(state_.selection);
    input_->setLabel(state_.accessibilityLabel);
    input_->setHelpText(state_.helpText);
}

DetentTrack BriselDetentSlider::track() const {
    return {state_.options, state_.treatsFirstOptionAsOff, double(width())};
}

QString BriselDetentSlider::formatValue(int value) const {
    if (state_.valueFormatter) return state_.valueFormatter(value);
    for (const auto& option : state_.options)
        if (option.value == value) return option.label;
    return QString::number(value) + "%";
}

QColor BriselDetentSlider::accent() const {
    return state_.accent.value_or(BriselSemanticColor::electricBlue(context_.currentAppearance().dark));
}

double BriselDetentSlider::drawnThumbX() const {
    if (dragVisualX_) return *dragVisualX_;
    const double resting = track().thumbX(displayedValue());
    if (releaseFromX_ && thumbReturn_.value() < 1)
        return *releaseFromX_ + (resting - *releaseFromX_) * thumbReturn_.value();
    return resting;
}

bool BriselDetentSlider::thumbEmphasised() const {
    return dragging_ || !track().indexOfValue(displayedValue());
}

// ---- pointer ---------------------------------------------------------------------------------------

void BriselDetentSlider::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return QWidget::mousePressEvent(event);
    dragStart_ = event->position();
    dragChanged(event->position());
}

void BriselDetentSlider::mouseMoveEvent(QMouseEvent* event) {
    if (dragStart_ && (event->buttons() & Qt::LeftButton)) return dragChanged(event->position());
    // The button went up where the slider did not see it.
    if (dragStart_) cancelDrag();
    hoverAt(event->position());
}

void BriselDetentSlider::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && dragStart_) dragEnded(event->position());
}

void BriselDetentSlider::leaveEvent(QEvent* event) {
    QWidget::leaveEvent(event);
    if (dragging_ || !hoveredIndex_) return;
    hoveredIndex_.reset();
    update();
}

void BriselDetentSlider::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    input_->setGeometry(rect());
}

void BriselDetentSlider::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    cancelDrag();
}

bool BriselDetentSlider::event(QEvent* event) {
    // Qt hands the window's deactivation down to every child.
    if (event->type() == QEvent::WindowDeactivate) cancelDrag();
    return QWidget::event(event);
}

void BriselDetentSlider::dragChanged(QPointF at) {
    const double distance = std::hypot(at.x() - dragStart_->x(), at.y() - dragStart_->y());
    const bool directClick = distance < 2;
    const DetentTrack t = track();
    const DetentTrack::Resolved resolved = t.resolve(at, directClick, state_.selection);
    if (!dragging_ && distance >= 1) {
        dragging_ = true;
        hoveredIndex_.reset();
    }
    // A click leaves the thumb where its value puts it.
    if (!directClick) dragVisualX_ = resolved.visualX;
    update();
    if (resolved.value == preview_.value_or(state_.selection)) return;
    if (t.indexOfValue(resolved.value) && context_.haptics) context_.haptics->alignment();
    preview_ = resolved.value;
    if (onPreview_) onPreview_(resolved.value);
}

void BriselDetentSlider::dragEnded(QPointF at) {
    const double distance = std::hypot(at.x() - dragStart_->x(), at.y() - dragStart_->y());
    const int resolved = track().resolve(at, distance < 2.5, state_.selection).value;
    const int final = preview_.value_or(resolved);
    releaseFromX_ = drawnThumbX();
    dragStart_.reset();
    dragging_ = false;
    dragVisualX_.reset();
    preview_.reset();
    thumbReturn_.reset(0);
    thumbReturn_.moveTo(1, thumbReturnSpring, context_.currentAppearance().reduceMotion);
    update();
    if (onPreview_) onPreview_(std::nullopt);
    if (final != state_.selection && onSelect_) onSelect_(final);
}

void BriselDetentSlider::cancelDrag() {
    if (!dragStart_) return;
    dragStart_.reset();
    dragging_ = false;
    dragVisualX_.reset();
    preview_.reset();
    hoveredIndex_.reset();
    releaseFromX_.reset();
    update();
    if (onPreview_) onPreview_(std::nullopt);
}

void BriselDetentSlider::hoverAt(QPointF at) {
    if (dragging_) return;
    const DetentTrack t = track();
    if (t.stepX() <= 0) return;
    const int index = t.nearestIndex(at.x());
    const std::optional<int> next =
        std::abs(at.x() - t.detentX(index)) <= 12 ? std::optional<int>(index) : std::nullopt;
    if (next == hoveredIndex_) return;
    hoveredIndex_ = next;
    update();
}

// ---- drawing ---------------------------------------------------------------------------------------

void BriselDetentSlider::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const DetentTrack t = track();
    const bool off = t.isOff(displayedValue());
    const double thumbX = drawnThumbX();
    paintTrack(painter, t, thumbX, off);
    paintThumb(painter, thumbX, off);
    paintLabels(painter, t, off);
}

void BriselDetentSlider::paintTrack(QPainter& painter, const DetentTrack& t, double thumbX, bool off) const {
    const Appearance appearance = context_.currentAppearance();
    const bool dark = appearance.dark;
    const QColor tint = accent();
    const double top = trackMid - trackThickness / 2;
    painter.fillPath(capsule({DetentTrack::inset, top, t.trackWidth(), trackThickness}),
                     withOpacity(dark ? Qt::white : Qt::black, dark ? 0.14 : 0.09));

    if (thumbX > DetentTrack::inset + 1) {
        const QRectF reached(DetentTrack::inset, top, std::max(thumbX - DetentTrack::inset, trackThickness),
                             trackThickness);
        const QPainterPath shape = capsule(reached);
        if (appearance.glass() && !dark) {
            QLinearGradient along(reached.topLeft(), reached.topRight());
            along.setColorAt(0, withOpacity(tint, 0.85));
            along.setColorAt(1, tint);
            painter.fillPath(shape, along);
            QLinearGradient sheen(reached.topLeft(), reached.bottomLeft());
            sheen.setColorAt(0, withOpacity(Qt::white, 0.36));
            sheen.setColorAt(1, Qt::transparent);
            painter.fillPath(shape, sheen);
        } else {
            painter.fillPath(shape, tint);
        }
    }

    for (const DetentTrack::Dot& dot : t.minorDots()) {
        const bool lit = dot.x - 0.5 <= thumbX;
        const QColor color = lit ? withOpacity(Qt::white, 0.68)
                                 : withOpacity(dark ? Qt::white : Qt::black, dark ? 0.25 : 0.18);
        painter.setPen(Qt::NoPen);
        painter.setBrush(color);
        painter.drawEllipse(centredAt({dot.x, trackMid}, {2.2, 2.2}));
    }

    for (int i = 0; i < t.count(); ++i) {
        const double side = hoveredIndex_ == i ? 8 : 7;
        const QRectF marker = centredAt({t.detentX(i), trackMid}, {side, side});
        const bool reached = !off && t.detentX(i) - 1 <= thumbX;
        const QColor fill = reached ? tint : grey(dark ? 0.38 : 0.78);
        const QColor outline = withOpacity(Qt::white, reached ? (dark ? 0.75 : 0.95) : (dark ? 0.35 : 0.95));
        painter.setPen(Qt::NoPen);
        painter.setBrush(withOpacity(Qt::black, dark ? 0.35 : 0.1));
        painter.drawEllipse(marker.translated(0, 0.5).adjusted(-0.5, -0.5, 0.5, 0.5));
        painter.setBrush(fill);
        painter.setPen(QPen(outline, 1.2));
        painter.drawEllipse(marker.adjusted(0.6, 0.6, -0.6, -0.6));
    }
    painter.setBrush(Qt::NoBrush);
}

void BriselDetentSlider::paintThumb(QPainter& painter, double thumbX, bool off) const {
    const Appearance appearance = context_.currentAppearance();
    const bool dark = appearance.dark;
    const bool glass = appearance.glass();
    const bool emphasised = thumbEmphasised();
    const QSizeF size = emphasised ? QSizeF(33, 15.5) : glass ? QSizeF(20, 13.5) : QSizeF(14, 14);
    const QRectF body = centredAt({thumbX, trackMid}, size);
    const QPainterPath shape = capsule(body);

    Shadow{withOpacity(Qt::black, dark ? 0.22 : 0.14), 0.5, 0.5}.paint(painter, shape);
    Shadow{withOpacity(Qt::black, dark ? 0.24 : 0.1), dragging_ ? 2.4 : 1.75, 1}.paint(painter, shape);
    QLinearGradient fill(body.topLeft(), body.bottomLeft());
    if (glass) {
        painter.fillPath(shape, BriselOpticalSurface::ultraThinMaterial(dark));
        fill.setColorAt(0, withOpacity(Qt::white, dragging_ ? 0.8 : 0.92));
        fill.setColorAt(0.52, withOpacity(Qt::white, dragging_ ? 0.56 : 0.76));
        fill.setColorAt(1, grey(0.96, dragging_ ? 0.7 : 0.86));
    } else {
        fill.setColorAt(0, Qt::white);
        fill.setColorAt(1, grey(0.965));
    }
    painter.fillPath(shape, fill);

    const double rimWidth = glass ? 0.75 : 0.65;
    QLinearGradient rim(body.topLeft(), body.bottomRight());
    rim.setColorAt(0, Qt::white);
    rim.setColorAt(1, off ? withOpacity(Qt::black, dark ? 0.18 : 0.1)
                          : withOpacity(accent(), glass ? 0.55 : 0.45));
    const QRectF rimRect = body.adjusted(rimWidth / 2, rimWidth / 2, -rimWidth / 2, -rimWidth / 2);
    painter.strokePath(capsule(rimRect), QPen(QBrush(rim), rimWidth));

    if (emphasised) {
        const QString text = formatValue(displayedValue());
        QFont font = BriselTypography::systemFont(9.5, QFont::Bold);
        const QRectF room = body.adjusted(2, 0, -2, 0);
        const double natural = QFontMetricsF(font).horizontalAdvance(text);
        if (natural > room.width())
            font.setPointSizeF(font.pointSizeF() * std::max(0.75, room.width() / natural));
        painter.setFont(font);
        painter.setPen(off || dark ? QColor::fromRgbF(0.2f, 0.22f, 0.26f) : QColor::fromRgbF(0, 0.48f, 1));
        const QString shown = QFontMetricsF(font).elidedText(text, Qt::ElideRight, room.width());
        painter.drawText(room, Qt::AlignCenter, shown);
    } else {
        painter.setPen(Qt::NoPen);
        painter.setBrush(off ? withOpacity(BriselColors::secondary(palette()), 0.55) : accent());
        painter.drawEllipse(centredAt(body.center(), {4.5, 4.5}));
        painter.setBrush(Qt::NoBrush);
    }
}

QFont BriselDetentSlider::labelFont(int index) const {
    static const QFont selectedFont = BriselTypography::systemFont(11, QFont::DemiBold);
    static const QFont otherFont = BriselTypography::systemFont(10.5, QFont::Normal);
    return state_.options[size_t(index)].value == displayedValue() ? selectedFont : otherFont;
}

QRectF BriselDetentSlider::labelRect(int index) const {
    const QString& label = state_.options[size_t(index)].label;
    const QFontMetricsF metrics(labelFont(index));
    const double width = std::ceil(metrics.horizontalAdvance(label));
    const double height = std::ceil(metrics.height());
    // Labels keep their natural width and may reach past their neighbours, but not past the
    // slider's edges, where the drawing is cut.
    const double centred = track().detentX(index) - width / 2;
    const double left = std::max(0.0, std::min(centred, double(this->width()) - width));
    // Centred in the label row; a font taller than the row keeps its descent above the bottom.
    const double top = std::min(DetentTrack::labelRowTop + 7 - height / 2, DetentTrack::height - height);
    return {left, top, width, height};
}

std::vector<PaintedTextRun> BriselDetentSlider::paintedText() const {
    std::vector<PaintedTextRun> runs;
    for (int i = 0; i < int(state_.options.size()); ++i)
        runs.push_back({state_.options[size_t(i)].label, state_.options[size_t(i)].label, labelRect(i)});
    return runs;
}

void BriselDetentSlider::paintLabels(QPainter& painter, const DetentTrack& t, bool off) const {
    const Appearance appearance = context_.currentAppearance();
    const int displayed = displayedValue();
    for (int i = 0; i < t.count(); ++i) {
        const auto& option = t.options[size_t(i)];
        const bool selected = option.value == displayed;
        QColor color;
        if (selected)
            color = off ? BriselColors::primary(palette()) : accent();
        else if (hoveredIndex_ == i)
            color = BriselColors::primary(palette());
        else
            color = BriselColors::secondaryForeground(appearance, BriselColors::secondary(palette()));
        painter.setFont(labelFont(i));
        painter.setPen(color);
        painter.drawText(labelRect(i), Qt::AlignCenter | Qt::TextDontClip, option.label);
    }
}

} // namespace brisel

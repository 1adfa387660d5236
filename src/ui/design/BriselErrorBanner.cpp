#include "ui/design/BriselErrorBanner.h"

#include "ui/design/Announcer.h"
#include "ui/design/BriselSemanticColor.h"
#include "ui/design/BriselSymbolButton.h"
#include "ui/design/BriselTypography.h"
#include "ui/design/SymbolPainter.h"
#include "ui/design/ThemeColor.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>

namespace brisel {

namespace {
constexpr double iconSize = 12;
constexpr double cornerRadius = 8;
} // namespace

BriselErrorBanner::BriselErrorBanner(ViewContext context, QWidget* parent)
    : QWidget(parent), context_(context), messageLabel_(new QLabel(this)),
      iconSlot_(new QSpacerItem(int(iconSize), QFontMetrics(BriselTypography::microMeta()).height(), QSizePolicy::Fixed,
                                QSizePolicy::Fixed)),
      row_(new QHBoxLayout(this)) {
    messageLabel_->setObjectName("brisel-error-message");
    messageLabel_->setFont(BriselTypography::microMeta());
    messageLabel_->setTextFormat(Qt::PlainText);
    messageLabel_->setWordWrap(true);
    messageLabel_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    messageLabel_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Minimum);

    row_->setContentsMargins(8, 8, 8, 8);
    row_->setSpacing(6);
    iconSlot_->setAlignment(Qt::AlignTop);
    row_->addItem(iconSlot_);
    // A box layout puts no spacing next to a spacer item.
    row_->addSpacing(6);
    // The label takes the free width itself, so the text wraps only where the banner ends.
    row_->addWidget(messageLabel_, 1, Qt::AlignTop);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Minimum);
    context_.observe(this, [this] {
        syncColors();
        update();
    });
    syncColors();
}

void BriselErrorBanner::setMessage(const QString& message, std::uint64_t attempt) {
    // Its owner hides it without a message: the label keeps its last text, as renaming a hidden
    // label only adds to the events a screen reader has to take.
    if (!message.isEmpty() && message != messageLabel_->text()) messageLabel_->setText(message);
    message_ = message;
    if (context_.announcer) context_.announcer->showFailure(*this, message_, attempt);
}

void BriselErrorBanner::setDismiss(std::function<void()> action, const QString& label) {
    dismiss_ = std::move(action);
    if (dismiss_ && !dismissButton_) {
        dismissButton_ = new BriselSymbolButton(context_, "xmark", 9, QFont::Bold, this);
        dismissButton_->setObjectName("dismiss-error");
        connect(dismissButton_, &QAbstractButton::clicked, this, [this] {
            if (dismiss_) dismiss_();
        });
        row_->addWidget(dismissButton_, 0, Qt::AlignTop);
    }
    if (dismissButton_) dismissButton_->setVisible(bool(dismiss_));
    setDismissLabel(label);
}

void BriselErrorBanner::setDismissLabel(const QString& label) {
    if (!dismissButton_ || dismissButton_->accessibleName() == label) return;
    dismissButton_->setToolTip(label);
    dismissButton_->setAccessibleName(label);
}

void BriselErrorBanner::changeEvent(QEvent* event) {
    if (event->type() == QEvent::PaletteChange) syncColors();
    QWidget::changeEvent(event);
}

void BriselErrorBanner::syncColors() {
    const QColor crimson = BriselSemanticColor::crimson(context_.currentAppearance().dark);
    if (messageLabel_->palette().color(QPalette::WindowText) == crimson) return;
    QPalette p = messageLabel_->palette();
    p.setColor(QPalette::WindowText, crimson);
    messageLabel_->setPalette(p);
}

void BriselErrorBanner::paintEvent(QPaintEvent*) {
    const QColor crimson = BriselSemanticColor::crimson(context_.currentAppearance().dark);
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath shape;
    const QRectF box = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    shape.addRoundedRect(box, cornerRadius, cornerRadius);
    painter.fillPath(shape, withOpacity(crimson, 0.12));
    painter.strokePath(shape, QPen(withOpacity(crimson, 0.28), 0.75));
    // The symbol only repeats what the red text says, so it is painted here and is no element.
    const QRectF slot = iconSlot_->geometry();
    const QRectF square(slot.center().x() - iconSize / 2, slot.center().y() - iconSize / 2, iconSize, iconSize);
    SymbolPainter::paint(painter, square, "exclamationmark.circle.fill", crimson);
}

} // namespace brisel

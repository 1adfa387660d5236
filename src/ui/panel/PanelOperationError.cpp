#include "ui/panel/PanelOperationError.h"

#include "ui/design/Announcer.h"
#include "ui/design/BriselColors.h"
#include "ui/design/BriselTypography.h"
#include "ui/design/SymbolView.h"
#include "ui/panel/PanelText.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>

namespace brisel {

PanelOperationError::PanelOperationError(ViewContext context, QWidget* parent)
    : QWidget(parent), context_(context),
      symbol_(new SymbolView("exclamationmark.triangle", 11, QFont::Normal, 13, this)),
      label_(new QLabel(this)) {
    setObjectName("panel-operation-error");
    setUpPanelLabel(label_, BriselTypography::microMeta(), true);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(4);
    row->addWidget(symbol_, 0, Qt::AlignTop);
    row->addWidget(label_, 1);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Minimum);
    syncColors();
}

void PanelOperationError::setMessage(const QString& message, std::uint64_t attempt) {
    // Its owner hides it without a message: the label keeps its last text, as renaming a hidden
    // label only adds to the events a screen reader has to take.
    if (!message.isEmpty() && message != label_->text()) label_->setText(message);
    message_ = message;
    if (context_.announcer) context_.announcer->showFailure(*this, message_, attempt);
}

void PanelOperationError::changeEvent(QEvent* event) {
    if (event->type() == QEvent::PaletteChange) syncColors();
    QWidget::changeEvent(event);
}

void PanelOperationError::syncColors() {
    const QColor primary = BriselColors::primary(palette());
    symbol_->setColor(primary);
    showLabel(label_, message_, primary);
}

} // namespace brisel

#include "ui/design/BriselToggleRow.h"

#include "ui/design/AccessibleText.h"
#include "ui/design/BriselColors.h"
#include "ui/design/SymbolPainter.h"

#include <QPainter>

namespace brisel {

namespace {
constexpr double symbolSize = 11;
constexpr double symbolFrame = 14;
constexpr double symbolGap = 6;
} // namespace

BriselToggleRow::BriselToggleRow(ViewContext context, QString title, std::optional<QString> systemImage,
                                 std::optional<QString> helpText, QWidget* parent)
    : BriselSwitchToggle(context, std::move(title), parent) {
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    setSystemImage(systemImage);
    setHelpText(helpText);
    setAccessibleDescription(QString());
}

void BriselToggleRow::setSystemImage(const std::optional<QString>& name) {
    if (name == systemImage_) return;
    systemImage_ = name;
    updateGeometry();
    update();
}

void BriselToggleRow::setHelpText(const std::optional<QString>& help) {
    if (help == helpText_) return;
    helpText_ = help;
    setHelpIfChanged(this, help.value_or(QString()));
}

double BriselToggleRow::leadingWidth() const {
    return systemImage_ ? symbolFrame + symbolGap : 0;
}

void BriselToggleRow::paintLeading(QPainter& painter, const QRectF& rowRect) {
    if (!systemImage_) return;
    const QColor color = BriselColors::secondaryForeground(context().currentAppearance(), BriselColors::secondary(palette()));
    const QRectF square((symbolFrame - symbolSize) / 2, rowRect.center().y() - symbolSize / 2, symbolSize, symbolSize);
    SymbolPainter::paint(painter, square, *systemImage_, color, QFont::DemiBold);
}

} // namespace brisel

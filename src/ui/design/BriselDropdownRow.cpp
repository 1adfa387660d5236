#include "ui/design/BriselDropdownRow.h"

#include "ui/design/BriselAccessibleWidget.h"
#include "ui/design/BriselColors.h"
#include "ui/design/BriselControlPillSurface.h"
#include "ui/design/BriselTypography.h"
#include "ui/design/DropdownPill.h"
#include "ui/design/SymbolPainter.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>
#include <QProxyStyle>
#include <QStyleOption>

#include <cmath>

namespace brisel {

namespace {
constexpr double leadingPadding = 11;
constexpr double trailingPadding = 9;
constexpr double chevronSize = 8.5;
constexpr double labelGap = 5;
constexpr int pillMinimumHeight = 22;

// The menu marks the chosen items with a check mark alone and draws nothing beside the others; the
// platform style would draw a check box beside every checkable item.
class MarkedMenuStyle : public QProxyStyle {
public:
    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget) const override {
        if (element != PE_IndicatorCheckBox && element != PE_IndicatorMenuCheckMark)
            return QProxyStyle::drawPrimitive(element, option, painter, widget);
        if (!(option->state & State_On)) return;
        const double side = std::min(option->rect.width(), option->rect.height());
        const QRectF mark(QRectF(option->rect).center() - QPointF(side / 2, side / 2), QSizeF(side, side));
        const bool highlighted = option->state & State_Selected;
        SymbolPainter::paint(*painter, mark, "checkmark",
                             option->palette.color(highlighted ? QPalette::HighlightedText : QPalette::Text),
                             QFont::DemiBold);
    }
};

// One for every dropdown menu of the program; it lives as long as the application.
QStyle* markedMenuStyle() {
    static QPointer<QStyle> style;
    if (!style) {
        style = new MarkedMenuStyle;
        style->setParent(qApp);
    }
    return style;
}
} // namespace

void ActiveDropdown::setId(std::optional<QString> id) {
    if (id == id_) return;
    id_ = std::move(id);
    emit changed();
}

// ---- the pill --------------------------------------------------------------------------------------

DropdownPill::DropdownPill(ViewContext context, QWidget* parent) : BriselScaleButton(context, parent, 0.96) {
    setAttribute(Qt::WA_Hover);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void DropdownPill::setActive(bool menuOpen) {
    if (menuOpen == menuOpen_) return;
    menuOpen_ = menuOpen;
    update();
}

void DropdownPill::setLabel(const QString& label) {
    if (label == label_) return;
    label_ = label;
    updateGeometry();
    update();
}

void DropdownPill::setMinimumPillWidth(std::optional<int> width) {
    if (width == minimumWidth_) return;
    minimumWidth_ = width;
    updateGeometry();
}

QSize DropdownPill::sizeHint() const {
    const double label = QFontMetricsF(BriselTypography::controlValue()).horizontalAdvance(label_);
    const double natural = leadingPadding + label + labelGap + chevronSize + trailingPadding;
    const int width = std::max(int(std::ceil(natural)), minimumWidth_.value_or(0));
    const int height = std::max(pillMinimumHeight, QFontMetrics(BriselTypography::controlValue()).height());
    return {width, height};
}

QPainterPath DropdownPill::focusShape() const {
    QPainterPath shape;
    const QRectF r = QRectF(rect()).adjusted(1, 1, -1, -1);
    shape.addRoundedRect(r, 7, 7);
    return shape;
}

void DropdownPill::paintLabel(QPainter& painter, const QRectF& rect) {
    const Appearance appearance = context().currentAppearance();
    BriselControlPillSurface::paint(painter, rect.adjusted(0.5, 0.5, -0.5, -0.5), appearance, palette(),
                                    {isActive(), false}, 7);
    const QRectF chevron(rect.right() - trailingPadding - chevronSize, rect.center().y() - chevronSize / 2,
                         chevronSize, chevronSize);
    const QRectF label(rect.left() + leadingPadding, rect.top(),
                       chevron.left() - labelGap - rect.left() - leadingPadding, rect.height());
    painter.setFont(BriselTypography::controlValue());
    painter.setPen(BriselColors::primary(palette()));
    // The pill is as wide as its label rounded up: truncating here would elide a label that fits.
    painter.drawText(label, Qt::AlignVCenter | Qt::AlignLeft,
                     painter.fontMetrics().elidedText(label_, Qt::ElideRight, int(std::ceil(label.width()))));
    const QColor chevronColor =
        isActive() ? BriselColors::primary(palette())
                   : BriselColors::secondaryForeground(appearance, BriselColors::secondary(palette()));
    SymbolPainter::paint(painter, chevron, "chevron.up.chevron.down", chevronColor, QFont::Bold);
}

// ---- the row ---------------------------------------------------------------------------------------

BriselDropdownRowBase::BriselDropdownRowBase(ViewContext context, QString id, ActiveDropdown* active,
                                             QWidget* parent)
    : QWidget(parent), context_(context), id_(std::move(id)), active_(active), title_(new QLabel(this)),
      pill_(new DropdownPill(context, this)) {
    title_->setFont(BriselTypography::controlLabel());
    title_->setTextFormat(Qt::PlainText);
    title_->setWordWrap(true);
    title_->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Minimum);
    pill_->setObjectName("dropdown-" + id_);
    // The row is one element for assistive technology: the pill, read as the title and the choice.
    BriselAccessibleWidget::setHidden(title_);
    BriselAccessibleWidget::setRole(pill_, QAccessible::ButtonMenu);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    row->addWidget(title_, 1, Qt::AlignVCenter);
    row->addSpacing(8);
    row->addWidget(pill_, 0, Qt::AlignVCenter);
    setMinimumHeight(pillMinimumHeight);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Minimum);
    connect(pill_, &QAbstractButton::clicked, this, &BriselDropdownRowBase::open);
    if (active_) connect(active_, &ActiveDropdown::changed, this, &BriselDropdownRowBase::activeChanged);
}

BriselDropdownRowBase::~BriselDropdownRowBase() {
    // A menu still open would call back into a row that is gone.
    if (menu_) menu_->disconnect(this);
}

void BriselDropdownRowBase::setMinimumPillWidth(std::optional<int> width) {
    pill_->setMinimumPillWidth(width);
}

void BriselDropdownRowBase::syncOptions(const QString& title, const QStringList& labels,
                                        const std::vector<bool>& selected) {
    if (title != title_->text()) title_->setText(title);
    labels_ = labels;
    selected_ = selected;
    QString shown;
    for (size_t i = 0; i < selected_.size(); ++i)
        if (selected_[i]) {
            shown = labels_[qsizetype(i)];
            break;
        }
    pill_->setLabel(shown);
    // The name says the choice too, set once for both: Qt's Linux bridge passes no value text of a
    // button on.
    BriselAccessibleWidget::setCombined(pill_, shown.isEmpty() ? title : title + QStringLiteral(", ") + shown,
                                        shown);
}

void BriselDropdownRowBase::open() {
    if (active_) active_->setId(id_);
    menuOpen_ = true;
    pill_->setActive(true);
    // An empty menu may never show and so never report that it closed.
    if (labels_.isEmpty() || pill_->width() <= 0) {
        menuClosed(nullptr);
        return;
    }
    keepValuesForMenu();
    auto* menu = new QMenu(pill_);
    menu->setStyle(markedMenuStyle());
    menu->setFont(BriselTypography::systemFont(12, QFont::Medium));
    menu->setMinimumWidth(std::max(pill_->width() + 12, 104));
    QAction* positioning = nullptr;
    for (qsizetype i = 0; i < labels_.size(); ++i) {
        QAction* action = menu->addAction(labels_[i]);
        action->setCheckable(true);
        action->setChecked(selected_[size_t(i)]);
        if (selected_[size_t(i)]) positioning = action;
        connect(action, &QAction::triggered, this, [this, i] { choose(int(i)); });
    }
    // The menu tells it closed before the chosen action fires, so it goes only later.
    connect(menu, &QMenu::aboutToHide, this, [this, menu] { menuClosed(menu); });
    menu_ = menu;
    positioning_ = positioning;
    menu->popup(pill_->mapToGlobal(QPoint(-4, 2)), positioning);
}

void BriselDropdownRowBase::menuClosed(QMenu* menu) {
    if (menu) {
        // The chosen action fires after this, from the same menu; it goes once control returns.
        menu->deleteLater();
        if (menu_ == menu) menu_ = nullptr;
    }
    menuOpen_ = false;
    pill_->setActive(false);
    if (active_ && active_->id() == id_) active_->setId(std::nullopt);
}

void BriselDropdownRowBase::activeChanged() {
    if (menu_ && menuOpen_ && active_->id() != id_) menu_->hide();
}

} // namespace brisel

#include "ui/settings/SettingsTabBar.h"

#include "localization/Localizer.h"
#include "ui/design/AccessibleText.h"
#include "ui/design/BriselAccessibleWidget.h"
#include "ui/design/BriselColors.h"
#include "ui/design/BriselGeometry.h"
#include "ui/design/BriselSemanticColor.h"
#include "ui/design/BriselTypography.h"
#include "ui/design/Shadow.h"
#include "ui/design/SurfaceView.h"
#include "ui/design/SymbolPainter.h"
#include "ui/settings/SettingsRules.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>

#include <cmath>

namespace brisel {

namespace {
constexpr double tabIconSize = 14;
constexpr double iconGap = 6;
constexpr double cellPadding = 8;
constexpr int cellHeight = 30;
const Spring pillSpring{0.26, 0.82};
} // namespace

void paintRecessedWell(QPainter& painter, const QRectF& rect, double radius, const Appearance& appearance,
                       const QPalette& palette) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath shape;
    const QRectF inner = rect.adjusted(0.375, 0.375, -0.375, -0.375);
    shape.addRoundedRect(inner, radius, radius);
    painter.fillPath(shape, recessedFill(appearance.theme, appearance.dark).resolve(palette));
    painter.strokePath(shape, QPen(recessedStroke(appearance.theme, appearance.dark).resolve(palette), 0.75));
    painter.restore();
}

SurfaceView* recessedWell(ViewContext context, double classicRadius, QWidget* parent) {
    return new SurfaceView(
        context,
        [classicRadius](QPainter& p, const QRectF& r, const Appearance& look, const QPalette& palette) {
            paintRecessedWell(p, r, BriselGeometry::contentRadius(look.theme, classicRadius), look, palette);
        },
        parent);
}

// ---- button ----------------------------------------------------------------------------------------

SettingsTabButton::SettingsTabButton(ViewContext context, BriselSettingsTab tab, QWidget* parent)
    : BriselScaleButton(context, parent, 1.0), tab_(tab) {
    setObjectName("settings-tab-" + rawValue(tab));
    setCheckable(true);
    // Read as one of three, the selected one marked. Orca says no selected state of a page tab, and
    // a check box would sound as if pressing it turned keep-awake on.
    BriselAccessibleWidget::setRole(this, QAccessible::RadioButton);
    setFont(BriselTypography::settingsTab());
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    syncTexts();
}

void SettingsTabButton::syncTexts() {
    const Localizer* l10n = context().l10n;
    if (!l10n) return;
    const QString title = l10n->tr(compactLocalizationKey(tab_));
    const QString help = l10n->tr(localizationKey(tab_));
    if (title != text()) {
        setText(title);
        updateGeometry();
    }
    setHelpIfChanged(this, help);
}

QSize SettingsTabButton::sizeHint() const {
    // The title keeps its natural width on one line.
    const double title = QFontMetricsF(font()).horizontalAdvance(text());
    return {int(std::ceil(2 * cellPadding + tabIconSize + iconGap + title)) + 1, cellHeight};
}

void SettingsTabButton::paintLabel(QPainter& painter, const QRectF& rect) {
    const Appearance look = context().currentAppearance();
    const bool selected = isChecked();
    const QColor secondary = BriselColors::secondaryForeground(look, BriselColors::secondary(palette()));
    const double title = QFontMetricsF(font()).horizontalAdvance(text());
    const double width = tabIconSize + iconGap + title;
    const double left = rect.center().x() - width / 2;
    SymbolPainter::paint(painter, QRectF(left, rect.center().y() - tabIconSize / 2, tabIconSize, tabIconSize),
                         iconName(tab_), selected ? BriselSemanticColor::electricBlue(look.dark) : secondary,
                         QFont::Medium);
    painter.setFont(font());
    painter.setPen(selected ? BriselColors::primary(palette()) : secondary);
    painter.drawText(QRectF(left + tabIconSize + iconGap, rect.top(), title + 1, rect.height()),
                     Qt::AlignLeft | Qt::AlignVCenter, text());
}

// ---- bar -------------------------------------------------------------------------------------------

SettingsTabBar::SettingsTabBar(ViewContext context, QWidget* parent)
    : QWidget(parent), context_(context), pill_(
                                              0, [this](double) { update(); }, this) {
    setObjectName("settings-tab-bar");
    auto* row = new QHBoxLayout(this);
    const int inset = int(std::ceil(BriselGeometry::tabBarInset));
    row->setContentsMargins(inset, inset, inset, inset);
    row->setSpacing(4);
    for (BriselSettingsTab tab : allSettingsTabs) {
        auto* button = new SettingsTabButton(context, tab, this);
        buttons_[size_t(tab)] = button;
        row->addWidget(button);
        connect(button, &QAbstractButton::clicked, this, [this, tab] {
            if (onSelect_) onSelect_(tab);
        });
    }
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    context_.observe(this, [this] {
        for (SettingsTabButton* button : buttons_)
            button->syncTexts();
        update();
    });
    setSelected(BriselSettingsTab::charging, false);
}

void SettingsTabBar::setSelected(BriselSettingsTab tab, bool animated) {
    for (SettingsTabButton* button : buttons_)
        button->setChecked(button->tab() == tab);
    const bool instant = !animated || !isVisible() || context_.currentAppearance().reduceMotion;
    pill_.moveTo(double(tab), pillSpring, instant);
    update();
}

QRectF SettingsTabBar::pillRect() const {
    const double at = std::clamp(pill_.value(), 0.0, 2.0);
    const int from = int(std::floor(at));
    const int to = std::min(from + 1, 2);
    const QRectF a = buttons_[size_t(from)]->geometry();
    const QRectF b = buttons_[size_t(to)]->geometry();
    const double t = at - from;
    return {a.x() + (b.x() - a.x()) * t, a.y(), a.width() + (b.width() - a.width()) * t, a.height()};
}

void SettingsTabBar::paintEvent(QPaintEvent*) {
    const Appearance look = context_.currentAppearance();
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    paintRecessedWell(painter, rect(), BriselGeometry::tabBarRadius, look, palette());

    const double radius = look.theme == BriselTheme::liquidGlass ? BriselGeometry::tabSelectionRadius : 8;
    QPainterPath pill;
    pill.addRoundedRect(pillRect(), radius, radius);
    Shadow{QColor::fromRgbF(0, 0, 0, look.dark ? 0.32f : 0.08f), 3, 1}.paint(painter, pill);
    painter.fillPath(pill, look.dark ? QColor::fromRgbF(1, 1, 1, 0.14f) : QColor::fromRgbF(1, 1, 1, 0.96f));
    painter.strokePath(
        pill, QPen(look.dark ? QColor::fromRgbF(1, 1, 1, 0.22f) : QColor::fromRgbF(0, 0, 0, 0.08f), 0.75));
}

} // namespace brisel

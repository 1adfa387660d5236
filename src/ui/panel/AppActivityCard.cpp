#include "ui/panel/AppActivityCard.h"

#include "localization/Localizer.h"
#include "ui/design/AccessibleText.h"
#include "ui/design/BriselColors.h"
#include "ui/design/BriselControlPillSurface.h"
#include "ui/design/BriselScaleButton.h"
#include "ui/design/BriselTypography.h"
#include "ui/design/SymbolPainter.h"
#include "ui/design/SymbolView.h"
#include "ui/panel/PanelText.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>

#include <set>

namespace brisel {

namespace {
constexpr double iconSide = 15;
constexpr double rowGap = 7;
constexpr double chevronSize = 9;
constexpr int rowHeight = 20;
constexpr int rowSpacing = 2;
} // namespace

ActivityStatusLine activityStatusLine(const QString& sampleStatus) {
    if (sampleStatus == "energySample.unavailable")
        return {"questionmark.circle", "energySample.unavailable"};
    return {"minus.circle", "significantEnergy.none"};
}

// ---- one row ---------------------------------------------------------------------------------------

EnergyAppRow::EnergyAppRow(ViewContext context, QWidget* parent)
    : QAbstractButton(parent), context_(context) {
    setFocusPolicy(Qt::StrongFocus);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void EnergyAppRow::setApp(const SignificantEnergyApp& app) {
    if (app == app_) return;
    app_ = app;
    setObjectName(QStringLiteral("energy-app-%1").arg(app.id));
    setText(QString::fromStdString(app.name));
    setAccessibleName(text());
    update();
}

QSize EnergyAppRow::sizeHint() const {
    return {200, rowHeight};
}

QSize EnergyAppRow::minimumSizeHint() const {
    return {60, rowHeight};
}

void EnergyAppRow::enterEvent(QEnterEvent* event) {
    QAbstractButton::enterEvent(event);
    hovered_ = true;
    update();
}

void EnergyAppRow::leaveEvent(QEvent* event) {
    QAbstractButton::leaveEvent(event);
    hovered_ = false;
    update();
}

void EnergyAppRow::keyPressEvent(QKeyEvent* event) {
    if (!BriselScaleButton::clickOnReturn(*this, event)) QAbstractButton::keyPressEvent(event);
}

void EnergyAppRow::paintEvent(QPaintEvent*) {
    const Appearance appearance = context_.currentAppearance();
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const QRectF box = QRectF(rect());
    if (hovered_)
        BriselControlPillSurface::paint(painter, box.adjusted(0.5, 0.5, -0.5, -0.5), appearance, palette(),
                                        {true, false}, 6);

    const QRectF content = box.adjusted(6, 2.5, -6, -2.5);
    const QRectF icon(content.left(), content.center().y() - iconSide / 2, iconSide, iconSide);
    const QColor secondary =
        BriselColors::secondaryForeground(appearance, BriselColors::secondary(palette()));
    if (!app_.icon.isNull())
        painter.drawImage(icon, app_.icon);
    else
        SymbolPainter::paint(painter, icon.adjusted(1.5, 1.5, -1.5, -1.5), "app.fill", secondary);

    const QRectF chevron(content.right() - chevronSize, content.center().y() - chevronSize / 2, chevronSize,
                         chevronSize);
    painter.setOpacity(hovered_ ? 1.0 : 0.65);
    SymbolPainter::paint(painter, chevron, "chevron.right",
                         BriselColors::secondaryForeground(appearance, BriselColors::tertiary(palette())),
                         QFont::DemiBold);
    painter.setOpacity(1);

    const QRectF name(icon.right() + rowGap, box.top(), chevron.left() - rowGap - icon.right() - rowGap,
                      box.height());
    painter.setFont(BriselTypography::controlLabel());
    painter.setPen(BriselColors::primary(palette()));
    painter.drawText(name, Qt::AlignVCenter | Qt::AlignLeft,
                     painter.fontMetrics().elidedText(text(), Qt::ElideRight, int(name.width())));
    if (hasFocus()) {
        QPainterPath ring;
        ring.addRoundedRect(box.adjusted(1, 1, -1, -1), 6, 6);
        BriselColors::paintFocusRing(painter, ring, palette());
    }
}

// ---- the card --------------------------------------------------------------------------------------

AppActivityCard::AppActivityCard(ViewContext context, QWidget* parent)
    : SectionCard(context, QString(), "flame", parent), content_(new QWidget(this)),
      status_(new QWidget(content_)),
      statusSymbol_(new SymbolView("minus.circle", 11, QFont::Medium, 13, status_)),
      statusText_(new QLabel(status_)) {
    const int limit = SignificantEnergyApp::displayLimit;
    content_->setMinimumHeight(limit * rowHeight + (limit - 1) * rowSpacing);
    auto* column = new QVBoxLayout(content_);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(rowSpacing);
    column->setAlignment(Qt::AlignTop);
    status_->setObjectName("energy-apps-status");
    auto* line = new QHBoxLayout(status_);
    line->setContentsMargins(0, 1, 0, 1);
    line->setSpacing(6);
    line->addWidget(statusSymbol_, 0, Qt::AlignVCenter);
    line->addWidget(statusText_, 1, Qt::AlignVCenter);
    setUpPanelLabel(statusText_, BriselTypography::microMeta(), true);
    column->addWidget(status_);
    contentLayout()->addWidget(content_);
    apply();
}

EnergyAppRow* AppActivityCard::row(std::int32_t pid) const {
    const auto found = rows_.find(pid);
    return found == rows_.end() ? nullptr : found->second;
}

void AppActivityCard::sync(const ActivityState& state) {
    state_ = state;
    apply();
}

void AppActivityCard::appearanceChanged() {
    SectionCard::appearanceChanged();
    apply();
}

void AppActivityCard::changeEvent(QEvent* event) {
    SectionCard::changeEvent(event);
    if (event->type() == QEvent::PaletteChange) apply();
}

void AppActivityCard::apply() {
    if (!context().l10n) return;
    const Localizer& l10n = *context().l10n;
    setTitle(l10n.tr("section.significantEnergy"));
    setHelpIfChanged(this, l10n.tr("energySample.explain"));

    auto* column = static_cast<QVBoxLayout*>(content_->layout());
    const size_t shown = std::min(state_.apps.size(), size_t(SignificantEnergyApp::displayLimit));
    std::set<std::int32_t> listed;
    for (size_t i = 0; i < shown; ++i)
        listed.insert(state_.apps[i].id);
    // Rows of processes that left go; later, since one of them may be the row being clicked.
    for (auto it = rows_.begin(); it != rows_.end();) {
        if (listed.count(it->first)) {
            ++it;
            continue;
        }
        column->removeWidget(it->second);
        it->second->hide();
        it->second->deleteLater();
        it = rows_.erase(it);
    }
    for (size_t i = 0; i < shown; ++i) {
        const SignificantEnergyApp& app = state_.apps[i];
        EnergyAppRow*& row = rows_[app.id];
        if (!row) {
            row = new EnergyAppRow(context(), content_);
            connect(row, &QAbstractButton::clicked, this, [this, row] {
                if (actions_.openActivityMonitor) actions_.openActivityMonitor(row->app());
            });
        }
        row->setApp(app);
        column->removeWidget(row);
        column->insertWidget(int(i), row);
        row->show();
    }

    const ActivityStatusLine line = activityStatusLine(state_.sampleStatus);
    statusSymbol_->setName(line.symbol);
    const QColor secondary =
        BriselColors::secondaryForeground(appearance(), BriselColors::secondary(palette()));
    statusSymbol_->setColor(secondary);
    showLabel(statusText_, l10n.tr(line.textKey), secondary);
    status_->setVisible(shown == 0);
}

} // namespace brisel

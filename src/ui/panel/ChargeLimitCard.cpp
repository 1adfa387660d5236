#include "ui/panel/ChargeLimitCard.h"

#include "localization/Localizer.h"
#include "ui/design/BriselColors.h"
#include "ui/design/BriselControlPillSurface.h"
#include "ui/design/BriselGeometry.h"
#include "ui/design/BriselScaleButton.h"
#include "ui/design/BriselSemanticColor.h"
#include "ui/design/BriselToggleRow.h"
#include "ui/design/BriselTypography.h"
#include "ui/design/SurfaceView.h"
#include "ui/design/SymbolPainter.h"
#include "ui/design/SymbolView.h"
#include "ui/panel/PanelControls.h"
#include "ui/panel/PanelText.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>

#include <cmath>

namespace brisel {

OneOffAction chooseOneOffAction(const ChargeLimitState& s) {
    if (s.temporaryFullChargeActive) return OneOffAction::resume;
    if (!s.mclSupported || !s.temporaryFullChargeSupported || !s.externalConnected) return OneOffAction::none;
    const int limit = s.selection >= 1 ? s.selection : s.currentLimit.value_or(100);
    const bool limitAllows = (s.limitEnabled || (s.selection >= 1 && s.selection <= 99)) && limit < 100;
    const bool batteryAllows = s.batteryPercent && *s.batteryPercent <= 99;
    return limitAllows && batteryAllows ? OneOffAction::chargeToFull : OneOffAction::none;
}

int resumeTarget(int registeredTarget) {
    return registeredTarget >= 1 ? registeredTarget : 80;
}

// The small electric-blue pill button in the card's title row.
class ChargeActionButton : public BriselScaleButton {
public:
    struct Look {
        const char* symbol;
        double symbolSize;
        QFont::Weight textWeight;
        bool highlighted;
    };

    ChargeActionButton(ViewContext context, Look look, QWidget* parent)
        : BriselScaleButton(context, parent), look_(look) {
        setAttribute(Qt::WA_Hover);
        setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    }

    QSize sizeHint() const override {
        const QFontMetricsF metrics(font());
        const double width = 7.5 + look_.symbolSize + 3.5 + metrics.horizontalAdvance(text()) + 7.5;
        return {int(std::ceil(width)), int(std::ceil(std::max(metrics.height(), look_.symbolSize) + 4))};
    }
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintLabel(QPainter& painter, const QRectF& rect) override {
        const Appearance appearance = context().currentAppearance();
        BriselControlPillSurface::paint(painter, rect.adjusted(0.5, 0.5, -0.5, -0.5), appearance, palette(),
                                        {underMouse(), look_.highlighted}, 6);
        const QColor blue = BriselSemanticColor::electricBlue(appearance.dark);
        const QRectF square(rect.left() + 7.5, rect.center().y() - look_.symbolSize / 2, look_.symbolSize,
                            look_.symbolSize);
        SymbolPainter::paint(painter, square, look_.symbol, blue, QFont::DemiBold);
        painter.setFont(font());
        painter.setPen(blue);
        painter.drawText(QRectF(square.right() + 3.5, rect.top(), rect.right() - 7.5 - square.right() - 3.5,
                                rect.height()),
                         Qt::AlignVCenter | Qt::AlignLeft, text());
    }

public:
    void setLabel(const QString& label) {
        if (label == text()) return;
        setText(label);
        updateGeometry();
    }

private:
    Look look_;
};

ChargeLimitCard::ChargeLimitCard(ViewContext context, QWidget* parent)
    : SectionCard(context, QString(), "bolt.badge.clock", parent),
      resume_(new ChargeActionButton(context, {"arrow.uturn.backward.circle.fill", 10, QFont::DemiBold, true},
                                     this)),
      chargeToFull_(new ChargeActionButton(context, {"bolt.fill", 9.5, QFont::Medium, false}, this)),
      bar_(new SegmentedLimitBar(context, this)), feedback_(new ChargeFeedbackView(context, true, this)),
      smart_(new BriselToggleRow(context, QString(), QString("sparkles"))),
      plan_(new SmartPlanView(context, true, this)) {
    resume_->setObjectName("resume-charge-limit");
    chargeToFull_->setObjectName("charge-to-full-now");
    resume_->setFont(BriselTypography::systemFont(10.5, QFont::DemiBold));
    chargeToFull_->setFont(BriselTypography::systemFont(10.5, QFont::Medium));
    smart_->setObjectName("smart-charging-master");
    headerLayout()->addWidget(resume_, 0, Qt::AlignVCenter);
    headerLayout()->addWidget(chargeToFull_, 0, Qt::AlignVCenter);

    SurfaceView* divider = panelDivider(context, 0.28, this);

    QVBoxLayout* column = contentLayout();
    column->setSpacing(qRound(5.5));
    column->addWidget(bar_);
    column->addWidget(feedback_);
    column->addWidget(divider);
    column->addWidget(smart_);
    column->addWidget(plan_);

    connect(resume_, &QAbstractButton::clicked, this, [this] {
        if (actions_.resumeChargeLimit) actions_.resumeChargeLimit();
    });
    connect(chargeToFull_, &QAbstractButton::clicked, this, [this] {
        if (actions_.chargeToFullNow) actions_.chargeToFullNow();
    });
    bar_->setOnApply([this](int limit) {
        if (actions_.applyLimit) actions_.applyLimit(limit);
    });
    smart_->setOnToggle([this](bool on) {
        if (actions_.setSmartEnabled) actions_.setSmartEnabled(on);
    });
    apply();
}

void ChargeLimitCard::sync(const ChargeLimitState& state) {
    state_ = state;
    apply();
}

void ChargeLimitCard::appearanceChanged() {
    SectionCard::appearanceChanged();
    apply();
}

void ChargeLimitCard::changeEvent(QEvent* event) {
    SectionCard::changeEvent(event);
    if (event->type() == QEvent::PaletteChange) apply();
}

void ChargeLimitCard::apply() {
    if (!context().l10n) return;
    const Localizer& l10n = *context().l10n;
    setTitle(l10n.tr("panel.charge.title"));

    const OneOffAction action = chooseOneOffAction(state_);
    resume_->setLabel(
        l10n.tr("action.resumeLimit", percentText(l10n, resumeTarget(state_.registeredTarget))));
    chargeToFull_->setLabel(l10n.tr("action.chargeToFullNow"));
    resume_->setVisible(action == OneOffAction::resume);
    chargeToFull_->setVisible(action == OneOffAction::chargeToFull);
    for (ChargeActionButton* button : {resume_, chargeToFull_})
        button->setEnabled(!state_.chargeLimitBusy);

    bar_->sync(state_.bar);
    feedback_->sync(state_.feedback);
    smart_->setTitle(l10n.tr("smart.title"));
    smart_->setHelpText(l10n.tr("smart.desc"));
    smart_->setOn(state_.smartEnabled);
    plan_->sync(state_.plan);
    plan_->setVisible(state_.smartEnabled);
}

} // namespace brisel

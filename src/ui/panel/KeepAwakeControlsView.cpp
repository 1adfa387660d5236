#include "ui/panel/KeepAwakeControlsView.h"

#include "localization/Localizer.h"
#include "ui/design/AccessibleText.h"
#include "ui/design/BriselAccessibleWidget.h"
#include "ui/design/BriselColors.h"
#include "ui/design/BriselSwitchToggle.h"
#include "ui/design/BriselToggleRow.h"
#include "ui/design/BriselTypography.h"
#include "ui/design/SurfaceView.h"
#include "ui/design/SymbolPainter.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>

namespace brisel {

namespace {

constexpr int optionsIndent = 20;

QLabel* noteLabel(const QString& objectName, QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setObjectName(objectName);
    setUpPanelLabel(label, BriselTypography::microMeta(), true);
    return label;
}

// A row that indents `widget` by the options' indent.
QHBoxLayout* indented(QWidget* widget, int bottom = 0) {
    auto* row = new QHBoxLayout;
    row->setContentsMargins(optionsIndent, 0, 0, bottom);
    row->setSpacing(8);
    if (widget) row->addWidget(widget, 1);
    return row;
}

// The compact header's folding button: cup, title and a chevron that points up while open.
class MenuEntryButton : public BriselScaleButton {
public:
    explicit MenuEntryButton(ViewContext context, QWidget* parent)
        : BriselScaleButton(context, parent, 1.0), turn_(
                                                       0, [this](double) { update(); }, this) {
        setObjectName("keep-awake-menu-entry");
        setCheckable(true);
        BriselAccessibleWidget::setDisclosure(this);
        setFont(BriselTypography::controlLabel());
        setMinimumHeight(32);
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    }

    void setExpanded(bool expanded) {
        setChecked(expanded);
        turn_.moveTo(expanded ? 1 : 0, {0.16 / 1.2, 0.8},
                     context().currentAppearance().reduceMotion || !isVisible());
    }

    QSize sizeHint() const override {
        return {int(14 + 6 + QFontMetricsF(font()).horizontalAdvance(text()) + 6 + 9 + 8) + 1, 32};
    }
    QSize minimumSizeHint() const override { return {60, 32}; }

protected:
    void nextCheckState() override {}
    void paintLabel(QPainter& painter, const QRectF& rect) override {
        const QColor secondary = BriselColors::secondary(palette());
        SymbolPainter::paint(painter, QRectF(rect.left(), rect.center().y() - 7, 14, 14), "cup.and.saucer",
                             secondary);
        painter.setFont(font());
        painter.setPen(BriselColors::primary(palette()));
        const double textLeft = rect.left() + 20;
        const double textWidth = QFontMetricsF(font()).horizontalAdvance(text());
        painter.drawText(QRectF(textLeft, rect.top(), textWidth + 1, rect.height()), Qt::AlignVCenter,
                         text());
        const QRectF chevron(textLeft + textWidth + 6, rect.center().y() - 4.5, 9, 9);
        painter.save();
        painter.translate(chevron.center());
        painter.rotate(180 * turn_.value());
        painter.translate(-chevron.center());
        SymbolPainter::paint(painter, chevron, "chevron.down", secondary, QFont::DemiBold);
        painter.restore();
    }

private:
    AnimatedValue turn_;
};

} // namespace

bool masterDisabled(const KeepAwakeState& s) {
    return s.feedback.taskStopBusy || (!s.keepAwake && s.feedback.awakeStopNeedsRecovery);
}

bool sleepDisplayButtonShown(const KeepAwakeState& s) {
    return s.keepAwake && !s.keepDisplayAwake;
}

bool manualSleepNoteShown(const KeepAwakeState& s) {
    return s.feedback.lidAwakeApplied && s.keepAwake && !s.feedback.taskStopBusy && !s.bagGuardActive &&
           !s.feedback.lidStateUnconfirmed;
}

std::optional<MenuExceptionLine> menuExceptionLine(KeepAwakeMenuState menuState,
                                                   const QStringList& collapsedKeys, const Localizer& l10n) {
    if (!hasException(menuState)) return std::nullopt;
    QStringList keys = collapsedKeys;
    if (keys.isEmpty()) keys << QString::fromStdString(localizationKey(menuState));
    QStringList texts;
    for (const QString& key : keys)
        texts << l10n.tr(key);
    const bool attention = menuState == KeepAwakeMenuState::attention;
    return MenuExceptionLine{texts.join('\n'), attention ? "exclamationmark.triangle" : "info.circle",
                             attention ? PanelTone::amber : PanelTone::secondary};
}

KeepAwakeControlsView::KeepAwakeControlsView(ViewContext context, bool compact, QWidget* parent)
    : QWidget(parent), context_(context), compact_(compact),
      master_(compact ? new BriselSwitchToggle(context, QString(), this)
                      : new BriselToggleRow(context, QString())),
      options_(new QWidget(this)), display_(new PanelCheckBox("keep-display-awake")),
      lid_(new PanelCheckBox("keep-awake-lid")), group_(new QWidget(options_)),
      sleep_(new PanelButton(context, "sleep-display-now",
                             {BriselTypography::systemFont(11.5, QFont::Medium), true, 10, 6, 7, true})),
      manualSleep_(noteLabel("keep-awake-manual-sleep", options_)),
      feedback_(new AwakeFeedbackView(context, {true, compact, true, compact}, options_)) {
    master_->setObjectName("keep-awake-master");
    sleep_->setSymbol("moon");
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(compact ? 0 : 8);
    if (compact) {
        auto* entry = new MenuEntryButton(context, this);
        entry_ = entry;
        master_->setMinimumHeight(32);
        auto* header = new QHBoxLayout;
        header->setSpacing(0);
        header->addWidget(entry, 1);
        header->addWidget(master_);
        column->addLayout(header);
        exceptionRow_ = new QWidget(this);
        exception_ =
            new PanelButton(context, "keep-awake-menu-status", PanelButton::linkLook(), exceptionRow_);
        exceptionRow_->setLayout(indented(exception_, 5));
        column->addWidget(exceptionRow_);
        connect(entry, &QAbstractButton::clicked, this, [this] { setExpanded(!isExpanded()); });
        connect(exception_, &QAbstractButton::clicked, this, [this] {
            if (!isExpanded()) setExpanded(true);
        });
    } else {
        column->addWidget(master_);
    }
    master_->setOnToggle([this](bool on) { requestKeepAwake(on); });

    options_->setObjectName("keep-awake-options");
    auto* block = new QVBoxLayout(options_);
    block->setContentsMargins(0, 0, 0, compact ? 8 : 0);
    block->setSpacing(8);
    if (compact) block->addLayout(indented(panelDivider(context, 0.28, options_)));
    if (!compact) {
        summary_ = noteLabel("keep-awake-description", options_);
        block->addWidget(summary_);
    }
    auto* group = new QVBoxLayout(group_);
    group->setContentsMargins(optionsIndent, 0, 0, 0);
    group->setSpacing(10);
    if (!compact) group->addWidget(panelDivider(context, 0.28, group_));
    group->addWidget(display_);
    group->addWidget(lid_);
    block->addWidget(group_);
    if (!compact) {
        QHBoxLayout* row = indented(nullptr);
        row->addWidget(sleep_);
        row->addStretch(1);
        block->addLayout(row);
    }
    block->addWidget(manualSleep_);
    block->addWidget(feedback_);
    if (compact) {
        moreSettings_ =
            new PanelButton(context, "keep-awake-more-settings", PanelButton::linkLook(), options_);
        auto* footer = indented(nullptr);
        // Centred on one line: a link that wraps is no reason to stretch the other to its height.
        footer->addWidget(sleep_, 0, Qt::AlignVCenter);
        footer->addStretch(1);
        footer->addWidget(moreSettings_, 0, Qt::AlignVCenter);
        block->addLayout(footer);
        connect(moreSettings_, &QAbstractButton::clicked, this, [this] {
            if (actions_.openAwakeSettings) actions_.openAwakeSettings();
        });
    } else {
        help_ = new PanelDisclosure(context, "keep-awake-help", options_);
        for (const char* key : {"keepAwake.helpPreferences", "keepAwake.helpDisplay", "keepAwake.helpLid"}) {
            QLabel* text = noteLabel(QString(), help_);
            text->setProperty("textKey", key);
            help_->contentLayout()->addWidget(text);
            if (QString(key) == "keepAwake.helpLid") helpLid_ = text;
        }
        help_->contentLayout()->setContentsMargins(0, 4, 0, 0);
        help_->contentLayout()->setSpacing(6);
        systemSettings_ = new PanelButton(context, "display-system-settings", PanelButton::linkLook(), help_);
        help_->contentLayout()->addWidget(systemSettings_);
        block->addWidget(help_);
        connect(systemSettings_, &QAbstractButton::clicked, this, [this] {
            if (actions_.openDisplayTimeoutSettings) actions_.openDisplayTimeoutSettings();
        });
    }
    column->addWidget(options_);

    display_->setOnToggle([this](bool on) {
        if (actions_.setKeepDisplayAwake) actions_.setKeepDisplayAwake(on);
    });
    lid_->setOnToggle([this](bool on) {
        if (actions_.setKeepAwakeOnLidClosed) actions_.setKeepAwakeOnLidClosed(on);
    });
    connect(sleep_, &QAbstractButton::clicked, this, [this] {
        if (actions_.sleepDisplayNow) actions_.sleepDisplayNow();
    });
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Minimum);
    context_.observe(this, [this] { apply(); });
    apply();
}

void KeepAwakeControlsView::setActions(KeepAwakeActions actions) {
    actions_ = actions;
    feedback_->setActions(std::move(actions));
}

void KeepAwakeControlsView::setExpansion(BoolBinding binding) {
    expansion_ = std::move(binding);
    apply();
}

void KeepAwakeControlsView::setFeedbackExpansion(BoolBinding binding) {
    feedback_->setDetailsExpansion(std::move(binding));
}

void KeepAwakeControlsView::refreshExpansion() {
    feedback_->refreshDetails();
    apply();
}

bool KeepAwakeControlsView::isExpanded() const {
    return !compact_ || (expansion_ && expansion_.get());
}

void KeepAwakeControlsView::setExpanded(bool expanded) {
    if (!compact_ || !expansion_ || expansion_.get() == expanded) return;
    expansion_.set(expanded);
    apply();
}

void KeepAwakeControlsView::requestKeepAwake(bool on) {
    if (!actions_.setKeepAwakeEnabled) return;
    // The model may refuse; only a request that took effect folds the options.
    if (actions_.setKeepAwakeEnabled(on) == on) setExpanded(on);
}

void KeepAwakeControlsView::sync(const KeepAwakeState& state) {
    state_ = state;
    // Keep-awake switched from anywhere (the settings window too) folds the options to match.
    const bool changed = lastKeepAwake_ && *lastKeepAwake_ != state.keepAwake;
    lastKeepAwake_ = state.keepAwake;
    if (changed && compact_ && expansion_ && expansion_.get() != state.keepAwake)
        expansion_.set(state.keepAwake);
    feedback_->sync(state.feedback);
    apply();
}

void KeepAwakeControlsView::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange) apply();
}

void KeepAwakeControlsView::apply() {
    if (!context_.l10n) return;
    const Localizer& l10n = *context_.l10n;
    const Appearance look = context_.currentAppearance();
    const QColor secondary = BriselColors::secondaryForeground(look, BriselColors::secondary(palette()));
    const bool expanded = isExpanded();

    const QString masterHelp = l10n.tr("keepAwake.desc");
    master_->setOn(state_.keepAwake);
    master_->setEnabled(!masterDisabled(state_));
    setHelpIfChanged(master_, masterHelp);
    if (compact_) {
        setAccessibleNameIfChanged(master_, l10n.tr("awakeMenu.master"));
        entry_->setText(l10n.tr("awakeMenu.title"));
        setHelpIfChanged(entry_, l10n.tr("awakeMenu.help"));
        static_cast<MenuEntryButton*>(entry_)->setExpanded(expanded);
        const std::optional<MenuExceptionLine> line =
            expanded ? std::nullopt : menuExceptionLine(state_.menuState, state_.collapsedFeedbackKeys, l10n);
        if (line) {
            exception_->setLabel(line->text);
            exception_->setSymbol(line->symbol);
            exception_->setColor(toneColor(line->tone, look, palette()));
            exception_->setHelp(l10n.tr("awakeMenu.expand"));
        }
        exceptionRow_->setVisible(line.has_value());
        moreSettings_->setLabel(l10n.tr("awakeMenu.moreSettings"));
    } else {
        static_cast<BriselToggleRow*>(master_)->setTitle(l10n.tr("keepAwake.title"));
        static_cast<BriselToggleRow*>(master_)->setHelpText(masterHelp);
        showLabel(summary_, l10n.tr("keepAwake.summary"), secondary);
        summary_->setVisible(!state_.hasAwakeFeedback);
        help_->setTitle(l10n.tr("keepAwake.learnMore"));
        help_->setTitleColor(secondary);
        for (QLabel* text : help_->findChildren<QLabel*>())
            if (const QVariant key = text->property("textKey"); key.isValid())
                showLabel(text, l10n.tr(key.toString()), secondary);
        helpLid_->setVisible(state_.hasClamshell);
        systemSettings_->setLabel(l10n.tr("display.systemSettings"));
    }
    options_->setVisible(expanded);

    group_->setEnabled(state_.canEditKeepAwakeOptions);
    display_->setText(l10n.tr(compact_ ? "awakeMenu.display" : "display.keepAwake"));
    display_->setHelp(l10n.tr("display.keepAwakeDesc"));
    display_->setChecked(state_.keepDisplayAwake);
    lid_->setText(l10n.tr(compact_ ? "awakeMenu.lid" : "keepAwake.lidClosed"));
    lid_->setHelp(l10n.tr("keepAwake.lidClosedDesc"));
    lid_->setChecked(state_.feedback.keepAwakeOnLidClosed);
    lid_->setVisible(state_.hasClamshell);

    sleep_->setLabel(l10n.tr("display.sleepNow"));
    sleep_->setHelp(l10n.tr("display.sleepNowHelp"));
    sleep_->setEnabled(state_.feedback.canSleepDisplayNow);
    sleep_->setVisible(sleepDisplayButtonShown(state_));
    showLabel(manualSleep_, l10n.tr("keepAwake.manualSleep"), secondary);
    manualSleep_->setVisible(manualSleepNoteShown(state_));
}

} // namespace brisel

#include "localization/Localizer.h"
#include "ui/design/AccessibleText.h"
#include "ui/design/BriselColors.h"
#include "ui/design/BriselControlPillSurface.h"
#include "ui/design/BriselSemanticColor.h"
#include "ui/design/BriselToggleRow.h"
#include "ui/design/BriselTypography.h"
#include "ui/design/SectionCard.h"
#include "ui/design/SurfaceView.h"
#include "ui/design/SymbolPainter.h"
#include "ui/panel/PanelControls.h"
#include "ui/settings/SettingsPages.h"
#include "ui/settings/SettingsRules.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>

#include <cmath>

namespace brisel {

namespace {
constexpr double symbolSize = 10.5;
constexpr double symbolGap = 5;
constexpr double padX = 9;
constexpr double padY = 4.5;
const Spring hoverFade{0.14 / 1.2, 1.0};
const Spring reloadSpin{0.45, 0.74};

QColor mix(const QColor& from, const QColor& to, double t) {
    const auto channel = [t](float a, float b) { return a + (b - a) * float(t); };
    return QColor::fromRgbF(channel(from.redF(), to.redF()), channel(from.greenF(), to.greenF()),
                            channel(from.blueF(), to.blueF()), channel(from.alphaF(), to.alphaF()));
}
} // namespace

// A configuration-file button: a symbol (which can turn) and a short text on a pill, secondary
// until hovered. Where the two buttons do not fit side by side (long translations) the text wraps
// inside the pill.
class ConfigActionButton : public BriselScaleButton {
public:
    ConfigActionButton(ViewContext context, const QString& objectName, QString symbol,
                       QWidget* parent = nullptr)
        : BriselScaleButton(context, parent), symbol_(std::move(symbol)),
          hover_(
              0, [this](double) { update(); }, this),
          turn_(
              0, [this](double) { update(); }, this) {
        setObjectName(objectName);
        setFont(BriselTypography::microMeta());
        setAttribute(Qt::WA_Hover);
        QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Preferred);
        policy.setHeightForWidth(true);
        setSizePolicy(policy);
    }

    void setLabel(const QString& text) {
        if (text == this->text()) return;
        setText(text);
        updateGeometry();
    }
    // Turns the symbol to `degrees`, springing there unless motion is reduced.
    void turnTo(double degrees) {
        turn_.moveTo(degrees, reloadSpin, context().currentAppearance().reduceMotion || !isVisible());
    }

    QSize sizeHint() const override {
        const QFontMetricsF metrics(font());
        return {chrome() + int(std::ceil(metrics.horizontalAdvance(text()))) + 1,
                int(std::ceil(2 * padY + metrics.height()))};
    }
    // As narrow as the longest part the text cannot break.
    QSize minimumSizeHint() const override {
        return {chrome() + int(std::ceil(wrapped(1).width())) + 1, sizeHint().height()};
    }
    int heightForWidth(int width) const override {
        return std::max(sizeHint().height(), int(std::ceil(2 * padY + wrapped(width - chrome()).height())));
    }

protected:
    void enterEvent(QEnterEvent* event) override {
        hover_.moveTo(1, hoverFade, context().currentAppearance().reduceMotion);
        BriselScaleButton::enterEvent(event);
    }
    void leaveEvent(QEvent* event) override {
        hover_.moveTo(0, hoverFade, context().currentAppearance().reduceMotion);
        BriselScaleButton::leaveEvent(event);
    }
    void paintLabel(QPainter& painter, const QRectF& rect) override {
        const Appearance look = context().currentAppearance();
        BriselControlPillSurface::paint(painter, rect.adjusted(0.5, 0.5, -0.5, -0.5), look, palette(),
                                        {hover_.value() > 0.5, false}, 6.5);
        const QColor color = mix(BriselColors::secondaryForeground(look, BriselColors::secondary(palette())),
                                 BriselColors::primary(palette()), hover_.value());
        const QRectF symbol(rect.left() + padX, rect.center().y() - symbolSize / 2, symbolSize, symbolSize);
        painter.save();
        painter.translate(symbol.center());
        painter.rotate(turn_.value());
        painter.translate(-symbol.center());
        SymbolPainter::paint(painter, symbol, symbol_, color, QFont::Medium);
        painter.restore();
        painter.setFont(font());
        painter.setPen(color);
        painter.drawText(rect.adjusted(padX + symbolSize + symbolGap, 0, -padX, 0),
                         Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap, text());
    }

private:
    // The room around the text: the paddings and the symbol.
    static int chrome() { return int(std::ceil(2 * padX + symbolSize + symbolGap)); }
    QSizeF wrapped(int width) const { return BriselTypography::wrappedSize(font(), text(), width); }

    QString symbol_;
    AnimatedValue hover_;
    AnimatedValue turn_;
};

GeneralSettingsPage::GeneralSettingsPage(SettingsPageContext context, QWidget* parent)
    : SettingsPage(context, parent), card_(new SectionCard(context.view, QString(), "slider.horizontal.3")),
      onboarding_(new PanelButton(context.view, "open-onboarding",
                                  {BriselTypography::controlLabel(), false, 0, 2, 6, true})),
      iconOnly_(new BriselToggleRow(context.view, QString())),
      menuBarIcon_(new BriselToggleRow(context.view, QString())),
      dockIcon_(new BriselToggleRow(context.view, QString())), restartNote_(note("restart-note")),
      keepOneNote_(note("keep-one-note")), launchAtLogin_(new BriselToggleRow(context.view, QString())),
      loginStatus_(note("login-status-note")), language_(dropdown<QString>("language")),
      theme_(dropdown<QString>("theme")),
      advanced_(disclosure("general-advanced", &SettingsWindowFlags::showingGeneralAdvanced)),
      refresh_(dropdown<int>("refreshInterval")),
      open_(new ConfigActionButton(context.view, "open-config", "doc.text")),
      reload_(new ConfigActionButton(context.view, "reload-config", "arrow.counterclockwise")) {
    const SettingsActions* actions = context.actions;
    auto* page = new QVBoxLayout(this);
    page->setContentsMargins(0, 0, 0, 0);
    card_->setObjectName("settings-general");
    card_->contentLayout()->setSpacing(8);
    page->addWidget(card_);
    page->addStretch(1);
    QVBoxLayout* rows = card_->contentLayout();
    rows->addWidget(onboarding_, 0, Qt::AlignLeft);
    iconOnly_->setObjectName("icon-only");
    menuBarIcon_->setObjectName("show-menu-bar-icon");
    dockIcon_->setObjectName("show-in-dock");
    launchAtLogin_->setObjectName("launch-at-login");
    for (QWidget* row : std::initializer_list<QWidget*>{iconOnly_, menuBarIcon_, dockIcon_, restartNote_,
                                                        keepOneNote_, launchAtLogin_, loginStatus_})
        rows->addWidget(row);
    rows->addWidget(panelDivider(context.view, 0.28, nullptr));
    rows->addWidget(language_);
    rows->addWidget(theme_);
    rows->addWidget(panelDivider(context.view, 0.28, nullptr));
    rows->addWidget(advanced_);
    advanced_->contentLayout()->setSpacing(8);
    advanced_->contentLayout()->addWidget(refresh_);
    auto* configRow = new QHBoxLayout;
    configRow->setSpacing(8);
    configRow->addWidget(open_, 0, Qt::AlignVCenter);
    configRow->addWidget(reload_, 0, Qt::AlignVCenter);
    configRow->addStretch(1);
    advanced_->contentLayout()->addLayout(configRow);

    connect(onboarding_, &QAbstractButton::clicked, this,
            [actions] { callIfSet(actions->postShowOnboarding); });
    iconOnly_->setOnToggle([actions](bool on) { callIfSet(actions->setIconOnly, on); });
    menuBarIcon_->setOnToggle([this](bool on) { setEntryPoint(true, on); });
    dockIcon_->setOnToggle([this](bool on) { setEntryPoint(false, on); });
    launchAtLogin_->setOnToggle([actions](bool on) { callIfSet(actions->setLaunchAtLogin, on); });
    language_->setOnSelect([actions](const QString& code) { callIfSet(actions->setLanguage, code); });
    theme_->setOnSelect([actions](const QString& theme) { callIfSet(actions->setTheme, theme); });
    refresh_->setOnSelect([actions](int seconds) { callIfSet(actions->setRefreshSeconds, seconds); });
    connect(open_, &QAbstractButton::clicked, this, [actions] { callIfSet(actions->openConfig); });
    connect(reload_, &QAbstractButton::clicked, this, [this] {
        if (!context_.view.currentAppearance().reduceMotion) {
            context_.flags->reloadSpinDegrees -= 360;
            reload_->turnTo(context_.flags->reloadSpinDegrees);
        }
        callIfSet(context_.actions->reloadConfig);
    });
}

void GeneralSettingsPage::setEntryPoint(bool menuBar, bool shown) {
    const GeneralSettingsState& g = state_.general;
    context_.flags->entryConstraintAttempted =
        entryConstraintAttempt(shown, menuBar ? g.showInDock : g.showMenuBarIcon);
    callIfSet(menuBar ? context_.actions->setShowMenuBarIcon : context_.actions->setShowInDock, shown);
    apply();
}

void GeneralSettingsPage::apply() {
    if (!context_.view.l10n) return;
    const Localizer& t = l10n();
    const GeneralSettingsState& g = state_.general;
    card_->setTitle(t.tr("section.settings"));
    onboarding_->setLabel(t.tr(g.setupRequired ? "onboarding.continueSetup" : "onboarding.menuTitle"));
    onboarding_->setVisible(g.hasOnboarding);
    // Plain text otherwise: the accent says it can be clicked.
    onboarding_->setColor(BriselSemanticColor::electricBlue(context_.view.currentAppearance().dark));
    const std::pair<BriselToggleRow*, std::pair<const char*, bool>> toggles[] = {
        {iconOnly_, {"settings.iconOnly", g.iconOnly}},
        {menuBarIcon_, {"settings.showMenuBarIcon", g.showMenuBarIcon}},
        {dockIcon_, {"settings.showInDock", g.showInDock}},
        {launchAtLogin_, {"settings.launchAtLogin", g.launchAtLogin}}};
    for (const auto& [row, setting] : toggles) {
        row->setTitle(t.tr(setting.first));
        row->setOn(setting.second);
    }
    launchAtLogin_->setEnabled(!g.loginBusy);
    showNote(restartNote_, t.tr("settings.restartToApply"), g.dockRestartPending);
    showNote(keepOneNote_, t.tr("settings.keepOne"), context_.flags->entryConstraintAttempted);
    showNote(loginStatus_, t.tr(g.launchAtLoginStatus), loginStatusNoteShown(g.launchAtLoginStatus));

    language_->sync(t.tr("settings.language"), languageOptions(t), g.language);
    theme_->sync(t.tr("theme.title"), themeOptions(t),
                 QString::fromUtf8(toString(briselThemeFromKey(g.theme.toStdString()))));
    advanced_->setTitle(t.tr("settings.advanced"));
    advanced_->refresh();
    refresh_->sync(t.tr("settings.refresh"), refreshOptions(g.refreshSeconds, t),
                   optionValue(g.refreshSeconds));
    open_->setLabel(t.tr("action.openConfig"));
    reload_->setLabel(t.tr("action.reloadConfig"));
    setToolTipIfChanged(reload_, t.tr("action.reloadConfig"));
}

} // namespace brisel

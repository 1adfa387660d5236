#include "ui/panel/PanelFooter.h"

#include "localization/Localizer.h"
#include "ui/design/AccessibleText.h"
#include "ui/design/AnimatedValue.h"
#include "ui/design/BriselColors.h"
#include "ui/design/BriselControlPillSurface.h"
#include "ui/design/BriselOpticalSurface.h"
#include "ui/design/BriselScaleButton.h"
#include "ui/design/BriselSemanticColor.h"
#include "ui/design/BriselTypography.h"
#include "ui/design/SymbolPainter.h"
#include "ui/design/ThemeColor.h"

#include <QAbstractButton>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QPainter>
#include <QPainterPath>
#include <QShortcut>

#include <cmath>

namespace brisel {

namespace {

const QKeySequence settingsKey(Qt::CTRL | Qt::Key_Comma);
const QKeySequence quitKey(Qt::CTRL | Qt::Key_Q);

QColor mix(const QColor& from, const QColor& to, double t) {
    const auto lerp = [t](float a, float b) { return a + (b - a) * float(t); };
    return QColor::fromRgbF(lerp(from.redF(), to.redF()), lerp(from.greenF(), to.greenF()),
                            lerp(from.blueF(), to.blueF()), lerp(from.alphaF(), to.alphaF()));
}

// A footer button: a symbol (settings only), the title and the shortcut's hint, with a highlight
// that fades in while the pointer is over it.
class FooterButton : public QAbstractButton {
public:
    FooterButton(ViewContext context, bool quit, QWidget* parent)
        : QAbstractButton(parent), context_(context), quit_(quit),
          hover_(
              0, [this](double) { update(); }, this) {
        setFocusPolicy(Qt::StrongFocus);
        setAttribute(Qt::WA_Hover);
        setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
        context_.observe(this, [this] { update(); });
    }

    QString hint() const { return (quit_ ? quitKey : settingsKey).toString(QKeySequence::NativeText); }

    QSize sizeHint() const override {
        const double gap = quit_ ? 5 : 5.5;
        double width = QFontMetricsF(titleFont()).horizontalAdvance(text()) + gap +
                       QFontMetricsF(hintFont()).horizontalAdvance(hint());
        if (!quit_) width += 11 + gap;
        return {int(std::ceil(width + 14)) + 1, int(std::ceil(QFontMetricsF(titleFont()).height() + 8))};
    }

protected:
    static QFont titleFont() { return BriselTypography::systemFont(11.5, QFont::Medium); }
    static QFont hintFont() { return BriselTypography::systemFont(10.5, QFont::Normal); }

    void keyPressEvent(QKeyEvent* event) override {
        if (!BriselScaleButton::clickOnReturn(*this, event)) QAbstractButton::keyPressEvent(event);
    }
    void enterEvent(QEnterEvent* event) override {
        hover_.moveTo(1, {0.1, 0.8}, context_.currentAppearance().reduceMotion);
        QAbstractButton::enterEvent(event);
    }
    void leaveEvent(QEvent* event) override {
        hover_.moveTo(0, {0.1, 0.8}, context_.currentAppearance().reduceMotion);
        QAbstractButton::leaveEvent(event);
    }

    void paintEvent(QPaintEvent*) override {
        const Appearance look = context_.currentAppearance();
        const double hovered = hover_.value();
        const QColor crimson = BriselSemanticColor::crimson(look.dark);
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const QRectF box = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
        QPainterPath shape;
        shape.addRoundedRect(box, 6, 6);
        if (hovered > 0) {
            painter.save();
            painter.setOpacity(hovered);
            if (!quit_) {
                BriselControlPillSurface::paint(painter, box, look, palette(), {true, false}, 6);
            } else if (look.glass()) {
                painter.fillPath(shape, BriselOpticalSurface::ultraThinMaterial(look.dark));
                painter.fillPath(shape, withOpacity(crimson, 0.16));
                painter.strokePath(shape, QPen(withOpacity(crimson, 0.32), 0.65));
            } else {
                painter.fillPath(shape, withOpacity(crimson, 0.12));
            }
            painter.restore();
        }
        const QColor idleTitle = BriselColors::secondaryForeground(look, BriselColors::secondary(palette()));
        const QColor idleHint = BriselColors::secondaryForeground(look, BriselColors::tertiary(palette()));
        const QColor title = mix(idleTitle, quit_ ? crimson : BriselColors::primary(palette()), hovered);
        const QColor hintColor = quit_ ? mix(idleHint, withOpacity(crimson, 0.75), hovered) : idleHint;
        const double gap = quit_ ? 5 : 5.5;
        double x = 7;
        if (!quit_) {
            SymbolPainter::paint(painter, QRectF(x, height() / 2.0 - 5.5, 11, 11), "gearshape", title,
                                 QFont::Medium);
            x += 11 + gap;
        }
        painter.setFont(titleFont());
        painter.setPen(title);
        const double titleWidth = QFontMetricsF(titleFont()).horizontalAdvance(text());
        painter.drawText(QRectF(x, 0, titleWidth + 1, height()), Qt::AlignVCenter | Qt::AlignLeft, text());
        x += titleWidth + gap;
        painter.setFont(hintFont());
        painter.setPen(hintColor);
        painter.drawText(QRectF(x, 0, width() - x, height()), Qt::AlignVCenter | Qt::AlignLeft, hint());
        if (hasFocus()) BriselColors::paintFocusRing(painter, shape, palette());
    }

private:
    ViewContext context_;
    bool quit_;
    AnimatedValue hover_;
};

} // namespace

PanelFooter::PanelFooter(ViewContext context, bool showsSettingsButton, QWidget* parent)
    : QWidget(parent), context_(context), quit_(new FooterButton(context, true, this)) {
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    if (showsSettingsButton) {
        settings_ = new FooterButton(context, false, this);
        settings_->setObjectName("open-settings");
        row->addWidget(settings_);
        connect(settings_, &QAbstractButton::clicked, this, [this] {
            if (openSettings_) openSettings_();
        });
    }
    row->addStretch(1);
    row->addWidget(quit_);
    connect(quit_, &QAbstractButton::clicked, this, [this] {
        if (quit_action_) quit_action_();
    });
    context_.observe(this, [this] { apply(); });
    apply();
}

void PanelFooter::setActions(std::function<void()> openSettings, std::function<void()> quit) {
    openSettings_ = std::move(openSettings);
    quit_action_ = std::move(quit);
}

void PanelFooter::installShortcuts() {
    for (QAbstractButton* button : {settings_, quit_}) {
        if (!button) continue;
        auto* shortcut = new QShortcut(button == quit_ ? quitKey : settingsKey, this);
        shortcut->setContext(Qt::WindowShortcut);
        connect(shortcut, &QShortcut::activated, button, &QAbstractButton::click);
    }
}

void PanelFooter::apply() {
    if (!context_.l10n) return;
    const Localizer& l10n = *context_.l10n;
    if (settings_) {
        const QString title = l10n.tr("menu.preferences");
        settings_->setText(title);
        setToolTipIfChanged(settings_, title + " (" + static_cast<FooterButton*>(settings_)->hint() + ")");
        settings_->updateGeometry();
    }
    quit_->setText(l10n.tr("action.quit"));
    setToolTipIfChanged(quit_, l10n.tr("action.quitEffect"));
    quit_->updateGeometry();
}

} // namespace brisel

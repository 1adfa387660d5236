#pragma once

#include "ui/design/AnimatedValue.h"
#include "ui/design/BriselScaleButton.h"
#include "ui/settings/SettingsState.h"

#include <QWidget>

#include <array>
#include <functional>

class QPainter;

namespace brisel {

class SurfaceView;

// Paints one recessed well of the settings window: its fill and its 0.75 outline.
void paintRecessedWell(QPainter& painter, const QRectF& rect, double radius, const Appearance& appearance,
                       const QPalette& palette);
// A well around its layout's content with the corner radius `classicRadius` (the glass theme's
// well radius there).
SurfaceView* recessedWell(ViewContext context, double classicRadius, QWidget* parent = nullptr);

// One button of the tab bar ("settings-tab-<raw>"): the tab's symbol and short title, the whole
// 30-high cell taking the click; checked while its tab is selected.
class SettingsTabButton : public BriselScaleButton {
    Q_OBJECT

public:
    SettingsTabButton(ViewContext context, BriselSettingsTab tab, QWidget* parent = nullptr);

    BriselSettingsTab tab() const { return tab_; }
    void syncTexts();

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void nextCheckState() override {}
    void paintLabel(QPainter& painter, const QRectF& rect) override;

private:
    BriselSettingsTab tab_;
};

// The row of the three tab buttons in a well, with a raised pill behind the selected one. A tap
// goes to onSelect; the bar shows a tab once its owner selects it (animated after a tap, at once
// when the host set it).
class SettingsTabBar : public QWidget {
    Q_OBJECT

public:
    explicit SettingsTabBar(ViewContext context, QWidget* parent = nullptr);

    void setSelected(BriselSettingsTab tab, bool animated);
    void setOnSelect(std::function<void(BriselSettingsTab)> onSelect) { onSelect_ = std::move(onSelect); }
    SettingsTabButton* button(BriselSettingsTab tab) const { return buttons_[size_t(tab)]; }
    // Where the pill is drawn now, in the bar's coordinates.
    QRectF pillRect() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    ViewContext context_;
    std::array<SettingsTabButton*, 3> buttons_;
    std::function<void(BriselSettingsTab)> onSelect_;
    // The pill's place as a button index; between two while it slides.
    AnimatedValue pill_;
};

} // namespace brisel

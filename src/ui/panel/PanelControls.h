#pragma once

// The small controls the panel's sections share: text buttons (plain or on a pill), check boxes
// and disclosures. None of them changes a value by itself: each asks its owner, and shows the new
// value once the owner syncs it.

#include "ui/design/AnimatedValue.h"
#include "ui/design/BriselScaleButton.h"

#include <QCheckBox>
#include <QColor>
#include <QFont>

#include <functional>
#include <optional>

class QVBoxLayout;

namespace brisel {

class SurfaceView;

// Tab goes through the focusable widgets under `root` in the order its layouts place them (the
// order they were made or parented in is not the order they are seen in).
void orderTabsByLayout(QWidget* root);

// The platform's separator line at `opacity` of its strength, 1 high.
SurfaceView* panelDivider(ViewContext context, double opacity, QWidget* parent);

// A flag owned elsewhere (the panel's navigation): read it, and ask to change it.
struct BoolBinding {
    std::function<bool()> get;
    std::function<void(bool)> set;

    explicit operator bool() const { return get && set; }
};

// A text button of the panel: an optional symbol and a text that wraps when asked, plain or on the
// control pill. Plain text is padded at least by the focus ring's room. Space and Return press it.
class PanelButton : public BriselScaleButton {
    Q_OBJECT

public:
    struct Look {
        QFont font;
        bool pill = false;
        double padX = 0;
        double padY = 0;
        double radius = 7;
        bool wrap = false;
        bool highlighted = false; // the pill in its accent look
    };
    // Small buttons of the feedback lines: a pill around microMeta text.
    static Look pushLook();
    // A text link: plain microMeta text that wraps.
    static Look linkLook();

    PanelButton(ViewContext context, const QString& objectName, Look look, QWidget* parent = nullptr);

    void setLabel(const QString& text);
    void setSymbol(const QString& name);
    // None draws in the primary colour.
    void setColor(const std::optional<QColor>& color);
    // The tooltip and the accessible description.
    void setHelp(const QString& help);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    bool hasHeightForWidth() const override { return look_.wrap; }
    int heightForWidth(int width) const override;

protected:
    void paintLabel(QPainter& painter, const QRectF& rect) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    double symbolRoom() const;
    QSizeF textSize(double width) const;

    Look look_;
    QString symbol_;
    std::optional<QColor> color_;
    bool hovered_ = false;
};

// A check box whose title wraps and whose whole rectangle takes the click; it calls its action with
// the inverted shown value and shows what the owner syncs.
class PanelCheckBox : public QCheckBox {
    Q_OBJECT

public:
    PanelCheckBox(const QString& objectName, QWidget* parent = nullptr);

    void setOnToggle(std::function<void(bool)> action) { onToggle_ = std::move(action); }
    void setHelp(const QString& help);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;

protected:
    void nextCheckState() override {}
    void keyPressEvent(QKeyEvent* event) override;
    bool hitButton(const QPoint& pos) const override { return rect().contains(pos); }
    void paintEvent(QPaintEvent* event) override;

private:
    int indicatorWidth() const;

    std::function<void(bool)> onToggle_;
};

// A disclosure: a chevron button with a title ("<name>") that shows or hides the content below it.
// Its open state is the owner's binding when one is set, else its own.
class PanelDisclosure : public QWidget {
    Q_OBJECT

public:
    PanelDisclosure(ViewContext context, const QString& objectName, QWidget* parent = nullptr);

    void setTitle(const QString& title);
    void setTitleColor(const QColor& color);
    void setExpansion(BoolBinding binding);
    bool isExpanded() const;
    // Reads the open state again (after the owner's flag changed).
    void refresh();
    QVBoxLayout* contentLayout() const { return contentLayout_; }
    QAbstractButton* button() const { return button_; }

private:
    BoolBinding binding_;
    bool local_ = false;
    QAbstractButton* button_;
    QWidget* content_;
    QVBoxLayout* contentLayout_;
};

} // namespace brisel

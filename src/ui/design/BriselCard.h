#pragma once

#include "ui/design/AppearanceOverride.h"
#include "ui/design/ViewContext.h"

#include <QWidget>

namespace brisel {

// A container drawn as a themed card: the token fill with its one shadow behind the content and
// the token outline at the edge. It neither pads nor clips; callers pad. Its shape sits inside
// shadowMargins(), the room its shadow needs, which the contents margins keep free.
class BriselCard : public QWidget {
    Q_OBJECT

public:
    explicit BriselCard(ViewContext context, QWidget* parent = nullptr);

    // Theme, colour scheme and reduce flag set here win over the shared appearance.
    void setAppearanceOverride(const AppearanceOverride& override);
    const AppearanceOverride& appearanceOverride() const { return override_; }
    Appearance appearance() const;
    const ViewContext& context() const { return context_; }

    static QMargins shadowMargins();
    // Paints the card surface of `shape` (the rounded rectangle itself).
    static void paint(QPainter& painter, const QRectF& shape, const Appearance& appearance, const QPalette& palette);

protected:
    void paintEvent(QPaintEvent* event) override;
    // Called after the appearance changed; the card has already scheduled a repaint.
    virtual void appearanceChanged() {}

private:
    ViewContext context_;
    AppearanceOverride override_;
};

} // namespace brisel

#include "LayoutChecks.h"

#include "ui/design/PaintedText.h"

#include <QAbstractScrollArea>
#include <QLabel>
#include <QWidget>

namespace brisel::test {

namespace {

QString describe(const QWidget& widget) {
    const QString name =
        widget.objectName().isEmpty() ? widget.metaObject()->className() : widget.objectName();
    const auto* label = qobject_cast<const QLabel*>(&widget);
    return label ? name + " \"" + label->text() + "\"" : name;
}

QString where(const QRectF& rect) {
    return QString("%1,%2 %3×%4").arg(rect.x()).arg(rect.y()).arg(rect.width()).arg(rect.height());
}

// A scroll area's viewport shows a part of its content on purpose.
bool scrollsItsContent(const QWidget& widget) {
    const auto* area = qobject_cast<const QAbstractScrollArea*>(widget.parentWidget());
    return area && area->viewport() == &widget;
}

} // namespace

QStringList clippedContent(const QWidget& root) {
    QStringList found;
    for (const QWidget* widget : root.findChildren<QWidget*>()) {
        if (widget->isWindow() || !widget->isVisibleTo(&root)) continue;
        const QWidget& parent = *widget->parentWidget();
        if (!scrollsItsContent(parent) && !parent.rect().contains(widget->geometry()))
            found << describe(*widget) + " at " + where(widget->geometry()) + " reaches past " +
                         describe(parent) + " " + where(parent.rect());
        if (const auto* label = qobject_cast<const QLabel*>(widget); label && !label->text().isEmpty()) {
            const QSize needs = label->wordWrap()
                                    ? QSize(label->width(), label->heightForWidth(label->width()))
                                    : label->sizeHint();
            if (needs.width() > label->width() || needs.height() > label->height())
                found << describe(*label) + " needs " + where(QRect(QPoint(), needs)) + ", has " +
                             where(label->rect());
        }
        const auto* painted = dynamic_cast<const PaintedText*>(widget);
        // Half a pixel of rounding is no cut.
        const QRectF room = QRectF(widget->rect()).adjusted(-0.5, -0.5, 0.5, 0.5);
        for (const PaintedTextRun& run : painted ? painted->paintedText() : std::vector<PaintedTextRun>{}) {
            if (run.shown != run.text)
                found << describe(*widget) + " shows \"" + run.shown + "\" for \"" + run.text + "\"";
            else if (!room.contains(run.rect))
                found << describe(*widget) + " paints \"" + run.text + "\" at " + where(run.rect) + ", has " +
                             where(widget->rect());
        }
    }
    return found;
}

} // namespace brisel::test

#include "LayoutChecks.h"

#include "ui/design/PaintedText.h"

#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QLabel>
#include <QWidget>

#include <optional>

namespace brisel::test {

namespace {

QString describe(const QWidget& widget) {
    QString text = widget.objectName().isEmpty() ? QString(widget.metaObject()->className()) : widget.objectName();
    if (const auto* label = qobject_cast<const QLabel*>(&widget))
        text += " \"" + label->text() + "\"";
    else if (const auto* button = qobject_cast<const QAbstractButton*>(&widget); button && !button->text().isEmpty())
        text += " \"" + button->text() + "\"";
    return text;
}

QString sizeText(QSizeF size) {
    return QString("%1×%2").arg(size.width()).arg(size.height());
}

// A scroll area's viewport shows a part of its content on purpose.
bool scrollsItsContent(const QWidget& widget) {
    const auto* area = qobject_cast<const QAbstractScrollArea*>(widget.parentWidget());
    return area && area->viewport() == &widget;
}

// The room a label's text needs at the label's width, when it has less.
std::optional<QSize> labelShortOfRoom(const QLabel& label) {
    if (label.text().isEmpty() || !label.pixmap().isNull()) return std::nullopt;
    const QSize needs = label.wordWrap() ? QSize(label.width(), label.heightForWidth(label.width()))
                                         : label.sizeHint();
    if (needs.width() <= label.width() && needs.height() <= label.height()) return std::nullopt;
    return needs;
}

} // namespace

QStringList clippedContent(const QWidget& root) {
    QStringList found;
    for (const QWidget* widget : root.findChildren<QWidget*>()) {
        if (widget->isWindow() || !widget->isVisibleTo(&root)) continue;
        const QWidget& parent = *widget->parentWidget();
        if (!scrollsItsContent(parent) && !parent.rect().contains(widget->geometry()))
            found << QString("%1 at %2,%3 %4 reaches past %5 (%6)")
                         .arg(describe(*widget))
                         .arg(widget->x())
                         .arg(widget->y())
                         .arg(sizeText(widget->size()), describe(parent), sizeText(parent.size()));
        if (const auto* label = qobject_cast<const QLabel*>(widget))
            if (const auto needs = labelShortOfRoom(*label))
                found << QString("%1 needs %2, has %3").arg(describe(*label), sizeText(*needs), sizeText(label->size()));
        if (const auto* painted = dynamic_cast<const PaintedText*>(widget))
            for (const PaintedTextRun& run : painted->paintedText()) {
                // Half a pixel of rounding is no cut.
                const QRectF room = QRectF(widget->rect()).adjusted(-0.5, -0.5, 0.5, 0.5);
                if (run.shown != run.text)
                    found << QString("%1 shows \"%2\" for \"%3\"").arg(describe(*widget), run.shown, run.text);
                else if (!room.contains(run.rect))
                    found << QString("%1 paints \"%2\" at %3,%4 %5, has %6")
                                 .arg(describe(*widget), run.text)
                                 .arg(run.rect.x())
                                 .arg(run.rect.y())
                                 .arg(sizeText(run.rect.size()), sizeText(widget->size()));
            }
    }
    return found;
}

} // namespace brisel::test

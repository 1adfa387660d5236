#include "LayoutChecks.h"

#include "ui/design/PaintedText.h"

#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QLabel>
#include <QScrollBar>
#include <QWidget>

#include <algorithm>

namespace brisel::test {

namespace {

// The widget's name, else its text, else its class; with the nearest named ancestor.
QString describe(const QWidget& widget) {
    QString name = widget.objectName();
    if (name.isEmpty()) {
        if (const auto* label = qobject_cast<const QLabel*>(&widget))
            name = '"' + label->text() + '"';
        else if (const auto* button = qobject_cast<const QAbstractButton*>(&widget))
            name = '"' + button->text() + '"';
    }
    if (name.isEmpty() || name == "\"\"") name = widget.metaObject()->className();
    for (const QWidget* up = widget.parentWidget(); up; up = up->parentWidget())
        if (!up->objectName().isEmpty() && !up->objectName().startsWith("qt_"))
            return name + " in " + up->objectName();
    return name;
}

// The part of `root` (in its coordinates) in which `widget` can be seen: each ancestor clips it,
// up to the first scroll area's viewport, which shows whatever its scroll bars reach (whether the
// viewport itself can be seen is its own question).
QRect reachableArea(const QWidget& root, const QWidget& widget) {
    QRect area(-(1 << 20), -(1 << 20), 1 << 21, 1 << 21);
    for (const QWidget* up = widget.parentWidget(); up && up != &root; up = up->parentWidget()) {
        QRect shown = up->rect();
        const auto* scroll = qobject_cast<const QAbstractScrollArea*>(up->parentWidget());
        if (scroll && scroll->viewport() == up) {
            const auto reach = [](const QScrollBar* bar, Qt::ScrollBarPolicy policy) {
                return policy == Qt::ScrollBarAlwaysOff
                           ? std::pair(0, 0)
                           : std::pair(bar->value() - bar->minimum(), bar->maximum() - bar->value());
            };
            const auto [left, right] =
                reach(scroll->horizontalScrollBar(), scroll->horizontalScrollBarPolicy());
            const auto [top, bottom] = reach(scroll->verticalScrollBar(), scroll->verticalScrollBarPolicy());
            shown.adjust(-left, -top, right, bottom);
            return area & shown.translated(up->mapTo(&root, QPoint()));
        }
        area &= shown.translated(up->mapTo(&root, QPoint()));
    }
    return area & root.rect();
}

// The least room a layout would give the widget (the rule of Qt's layouts), and for a widget
// whose height follows its width, the height its width asks for.
QSize neededSize(const QWidget& widget) {
    const QSizePolicy policy = widget.sizePolicy();
    const QSize hint = widget.sizeHint();
    const QSize least = widget.minimumSizeHint();
    const auto along = [](QSizePolicy::Policy p, int hint, int least, int explicitMinimum, int maximum) {
        int needed = 0;
        if (p != QSizePolicy::Ignored) needed = (p & QSizePolicy::ShrinkFlag) ? least : std::max(hint, least);
        needed = std::min(needed, maximum);
        return explicitMinimum > 0 ? explicitMinimum : std::max(needed, 0);
    };
    QSize needed(along(policy.horizontalPolicy(), hint.width(), least.width(), widget.minimumWidth(),
                       widget.maximumWidth()),
                 along(policy.verticalPolicy(), hint.height(), least.height(), widget.minimumHeight(),
                       widget.maximumHeight()));
    // Layouts give such a widget the height its width asks for, whatever its size hint says.
    if (widget.hasHeightForWidth() && policy.verticalPolicy() != QSizePolicy::Ignored)
        needed.setHeight(std::max(widget.minimumHeight(),
                                  std::min(widget.heightForWidth(widget.width()), widget.maximumHeight())));
    return needed;
}

} // namespace

QStringList clippedContent(const QWidget& root) {
    QStringList cut;
    for (const QWidget* widget : root.findChildren<QWidget*>()) {
        // Menus, dialogs and bubbles of their own are windows, not part of this one's layout.
        if (!widget->isVisibleTo(&root) || widget->window() != root.window()) continue;
        const QRect rect(widget->mapTo(&root, QPoint()), widget->size());
        if (rect.isEmpty()) continue;
        QStringList problems;
        const QRect area = reachableArea(root, *widget);
        const std::pair<const char*, int> sides[] = {{"left", area.left() - rect.left()},
                                                     {"right", rect.right() - area.right()},
                                                     {"top", area.top() - rect.top()},
                                                     {"bottom", rect.bottom() - area.bottom()}};
        if (!area.intersects(rect))
            problems << "wholly outside";
        else
            for (const auto& [side, by] : sides)
                if (by > 0) problems << QString("%1 px cut on the %2").arg(by).arg(side);
        const QSize needed = neededSize(*widget);
        if (widget->width() < needed.width())
            problems << QString("%1 px wide of %2 needed").arg(widget->width()).arg(needed.width());
        if (widget->height() < needed.height())
            problems << QString("%1 px high of %2 needed").arg(widget->height()).arg(needed.height());
        // Text the widget paints itself; half a pixel of rounding is no cut.
        const auto* painted = dynamic_cast<const PaintedText*>(widget);
        const QRectF room = QRectF(widget->rect()).adjusted(-0.5, -0.5, 0.5, 0.5);
        const std::vector<PaintedTextRun> runs = painted ? painted->paintedText() : std::vector<PaintedTextRun>{};
        for (std::size_t i = 0; i < runs.size(); ++i) {
            const PaintedTextRun& run = runs[i];
            if (run.shown != run.text)
                problems << QString("shows \"%1\" for \"%2\"").arg(run.shown, run.text);
            else if (!room.contains(run.rect))
                problems << QString("paints \"%1\" outside its rectangle").arg(run.text);
            // Text drawn over other text is as unreadable as text cut off.
            for (std::size_t j = i + 1; j < runs.size(); ++j)
                if (run.rect.adjusted(0.5, 0.5, -0.5, -0.5).intersects(runs[j].rect))
                    problems << QString("paints \"%1\" over \"%2\"").arg(run.text, runs[j].text);
        }
        if (!problems.isEmpty()) cut << describe(*widget) + ": " + problems.join(", ");
    }
    return cut;
}

} // namespace brisel::test

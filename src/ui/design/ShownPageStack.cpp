#include "ui/design/ShownPageStack.h"

#include <QWidget>

namespace brisel {

ShownPageStack::ShownPageStack(QWidget* parent) : QStackedLayout(parent) {
    // The layout above caches the answers for the page shown before.
    connect(this, &QStackedLayout::currentChanged, this, [parent] { parent->updateGeometry(); });
}

QSize ShownPageStack::sizeHint() const {
    const QWidget* page = currentWidget();
    return page ? page->sizeHint() : QSize(0, 0);
}

QSize ShownPageStack::minimumSize() const {
    const QWidget* page = currentWidget();
    return {page ? page->minimumSizeHint().width() : 0, 0};
}

int ShownPageStack::heightForWidth(int width) const {
    const QWidget* page = currentWidget();
    if (!page) return 0;
    return page->hasHeightForWidth() ? page->heightForWidth(width) : page->sizeHint().height();
}

} // namespace brisel

#pragma once

#include <QStackedLayout>

namespace brisel {

// A stack of pages that takes the room of the page it shows. Qt's stack answers with its largest
// page, hidden ones included (height for a width too), so a short page would scroll by a tall one
// shown before it and one page would be as wide as another needs. It asks for no minimum height:
// a wrapping page would ask for the height of its narrowest form, and only a tall page should
// scroll. A layout, since the layout holding the stack's widget asks its layout, not the widget.
class ShownPageStack : public QStackedLayout {
public:
    explicit ShownPageStack(QWidget* parent);

    QSize sizeHint() const override;
    QSize minimumSize() const override;
    int heightForWidth(int width) const override;
};

} // namespace brisel

#pragma once

#include "ui/design/BriselScaleButton.h"

#include <optional>

namespace brisel {

// The pill of a dropdown row: the chosen label and an up-down chevron on a control pill, in its
// hover look while hovered or while its menu is open. The label is no button text, which Qt would
// announce as a new name beside the name the row gives the pill.
class DropdownPill : public BriselScaleButton {
    Q_OBJECT

public:
    explicit DropdownPill(ViewContext context, QWidget* parent = nullptr);

    const QString& label() const { return label_; }
    void setLabel(const QString& label);
    void setActive(bool menuOpen);
    bool isActive() const { return menuOpen_ || underMouse(); }
    void setMinimumPillWidth(std::optional<int> width);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintLabel(QPainter& painter, const QRectF& rect) override;
    QPainterPath focusShape() const override;

private:
    QString label_;
    bool menuOpen_ = false;
    std::optional<int> minimumWidth_;
};

} // namespace brisel

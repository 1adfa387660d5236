#pragma once

#include "ui/design/ViewContext.h"

#include <QColor>
#include <QWidget>

#include <optional>

namespace brisel {

// The coloured status pill of the panel header: a dot of `color` and a short display text on a
// themed capsule. The text is shown as given (it is not a localisation key).
class StatusPillBadge : public QWidget {
    Q_OBJECT

public:
    StatusPillBadge(ViewContext context, QString text, QColor color, std::optional<BriselTheme> theme = std::nullopt,
                    QWidget* parent = nullptr);

    void setText(const QString& text);
    void setColor(const QColor& color);
    void setTheme(std::optional<BriselTheme> theme);
    const QString& text() const { return text_; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Appearance appearance() const;

    ViewContext context_;
    QString text_;
    QColor color_;
    std::optional<BriselTheme> theme_;
};

} // namespace brisel

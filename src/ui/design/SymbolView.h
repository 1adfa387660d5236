#pragma once

#include <QColor>
#include <QFont>
#include <QWidget>

#include <optional>

namespace brisel {

// One symbol at a point size, centred in a frame of fixed width (so rows with different symbols
// keep their text aligned).
class SymbolView : public QWidget {
    Q_OBJECT

public:
    SymbolView(QString name, double size, int weight, double frameWidth, QWidget* parent = nullptr);

    void setName(const QString& name);
    // None draws in the palette's text colour.
    void setColor(const std::optional<QColor>& color);
    const QString& name() const { return name_; }
    const std::optional<QColor>& color() const { return color_; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString name_;
    double size_;
    int weight_;
    double frameWidth_;
    std::optional<QColor> color_;
};

} // namespace brisel

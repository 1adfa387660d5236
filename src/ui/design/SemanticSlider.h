#pragma once

#include "ui/design/AccessibleText.h"

#include <QWidget>

#include <functional>
#include <optional>

namespace brisel {

// The keyboard and assistive-technology face of a drawn slider. It lies over the drawing at the same
// size, lets every mouse event through to it (so a click never focuses it), takes Tab focus while
// enabled and paints only its focus ring. Arrows step with nextValue, Home and End go to the range
// ends; a step that changes the value calls onCommit. The owner sets the value without a commit.
class SemanticSlider : public QWidget {
    Q_OBJECT

public:
    explicit SemanticSlider(QWidget* parent = nullptr);

    double value() const { return value_; }
    double minimum() const { return minimum_; }
    double maximum() const { return maximum_; }
    // The owner's values; none of them commits or calls back.
    void setRange(double minimum, double maximum);
    void setValue(double value);
    void setLabel(const QString& label) { setAccessibleNameIfChanged(this, label); }
    void setHelpText(const std::optional<QString>& help) {
        setAccessibleDescriptionIfChanged(this, help.value_or(QString()));
    }

    std::function<void(bool)> onFocusChange = [](bool) {};
    std::function<QString(double)> valueDescription = &defaultDescription;
    std::function<double(double, int)> nextValue = [](double value, int direction) {
        return value + direction;
    };
    std::function<void(double)> onCommit = [](double) {};

    // Clamps `candidate` into the range and commits it when it is finite, the slider is enabled and
    // the value changes; says whether it committed.
    bool commit(double candidate);
    // The value rounded half away from zero, with "%" (42.5 gives 43%).
    static QString defaultDescription(double value);

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    double value_ = 0;
    double minimum_ = 0;
    double maximum_ = 100;
};

} // namespace brisel

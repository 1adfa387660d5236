#pragma once

#include "ui/design/BriselSwitchToggle.h"

#include <optional>

namespace brisel {

// The standard settings row: an optional symbol, the title and the switch, at least 22 high. The
// help text is its tooltip and accessible description. For assistive technology the row is one
// check box named by the title.
class BriselToggleRow : public BriselSwitchToggle {
    Q_OBJECT

public:
    BriselToggleRow(ViewContext context, QString title, std::optional<QString> systemImage = std::nullopt,
                    std::optional<QString> helpText = std::nullopt, QWidget* parent = nullptr);

    void setSystemImage(const std::optional<QString>& name);
    void setHelpText(const std::optional<QString>& help);
    const std::optional<QString>& systemImage() const { return systemImage_; }

protected:
    double leadingWidth() const override;
    void paintLeading(QPainter& painter, const QRectF& rowRect) override;
    int minimumRowHeight() const override { return 22; }

private:
    std::optional<QString> systemImage_;
    std::optional<QString> helpText_;
};

} // namespace brisel

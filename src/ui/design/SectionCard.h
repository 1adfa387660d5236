#pragma once

#include "ui/design/BriselCard.h"

#include <QColor>

#include <optional>

class QHBoxLayout;
class QLabel;
class QVBoxLayout;

namespace brisel {

class SymbolView;

// The titled card that groups one section: a header row (symbol, title, optional trailing figure)
// above the content the caller puts into contentLayout(). The title is shown as given (callers
// translate it).
class SectionCard : public BriselCard {
    Q_OBJECT

public:
    SectionCard(ViewContext context, QString title, QString systemImage, QWidget* parent = nullptr);

    void setTitle(const QString& title);
    void setSystemImage(const QString& name);
    // None hides the trailing label.
    void setTrailingText(const std::optional<QString>& text);
    // Keeps the trailing label at least as wide as `widest`, so a changing figure does not move.
    void setTrailingReserve(const QString& widest);
    // None draws the card in the shared theme.
    void setTheme(std::optional<BriselTheme> theme);
    // Kept with the card; the header symbol is not tinted with it.
    void setIconColor(const QColor& color) { iconColor_ = color; }
    const QColor& iconColor() const { return iconColor_; }

    QVBoxLayout* contentLayout() const { return content_; }
    // The title row; a card may add its own controls at the trailing end.
    QHBoxLayout* headerLayout() const { return header_; }
    QLabel* titleLabel() const { return title_; }
    QLabel* trailingLabel() const { return trailing_; }
    SymbolView* symbolView() const { return symbol_; }

protected:
    void appearanceChanged() override;
    void changeEvent(QEvent* event) override;

private:
    void syncColors();

    SymbolView* symbol_;
    QLabel* title_;
    QLabel* trailing_;
    QHBoxLayout* header_;
    QVBoxLayout* content_;
    QColor iconColor_;
};

} // namespace brisel

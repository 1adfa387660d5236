#pragma once

// The small widgets every onboarding page is made of: heading, note, symbol line, content card,
// status card, choice card, result row, summary line, busy line and the button styles. Texts are
// set by the owner on every sync; colours and card themes follow applyAppearance().

#include "localization/Localizer.h"
#include "ui/design/BriselCard.h"
#include "ui/onboarding/OnboardingViewState.h"

#include <QAbstractButton>
#include <QFont>
#include <QPushButton>

#include <functional>

class QLabel;
class QVBoxLayout;

namespace brisel {

class SymbolView;

// What the pages share with the window: the context, the actions and the window's focus and
// alert hooks.
struct PageEnv {
    ViewContext context;
    OnboardingActions actions;
    // Called after a choice: keyboard focus goes to the card of the recorded choice once the
    // state that records it arrives (a turn after the action).
    std::function<void()> focusCurrentChoice;
    std::function<void()> confirmDowngrade;

    QString tr(const QString& key) const { return context.l10n ? context.l10n->tr(key) : key; }
    template <typename... Args> QString tr(const QString& key, const Args&... args) const {
        return Localizer::format(tr(key), {FormatArgument(args)...});
    }
};

// The system font at `pixels` with `weight`.
QFont onboardingFont(double pixels, QFont::Weight weight = QFont::Normal);
// A wrapping label; `secondary` draws it in the secondary rule at primary 0.8.
QLabel* makeText(double pixels, QFont::Weight weight = QFont::Normal, bool secondary = false);

enum class ButtonStyle {
    standard,  // the platform push button
    prominent, // filled in the highlight colour
    link,      // flat, highlight-coloured text
    quiet,     // flat, secondary text
    plain,     // flat, ordinary text
};
QPushButton* makeButton(const QString& objectName, ButtonStyle style, double pixels = 12);
void setButtonStyle(QPushButton* button, ButtonStyle style);

// Recolours everything under `root` for `appearance`: card themes, secondary texts, the button
// styles and choice cards.
void applyAppearance(QWidget* root, const Appearance& appearance);

// A symbol followed by a wrapping text.
class SymbolLine : public QWidget {
    Q_OBJECT

public:
    SymbolLine(const QString& symbol, double pixels, QFont::Weight weight = QFont::Normal,
               bool secondary = false, QWidget* parent = nullptr);
    void setText(const QString& text);
    void setSymbol(const QString& symbol);
    QLabel* label() const { return label_; }

private:
    SymbolView* symbol_;
    QLabel* label_;
};

// A hint line: symbol and text at 11 in the secondary rule, inset 4 at the sides.
class Note : public SymbolLine {
    Q_OBJECT

public:
    explicit Note(const QString& symbol, QWidget* parent = nullptr);
};

// The page title (19 semibold, heading role, "onboarding.heading") over its explanation.
class Heading : public QWidget {
    Q_OBJECT

public:
    explicit Heading(QWidget* parent = nullptr);
    void setTexts(const QString& title, const QString& body);
    QLabel* title() const { return title_; }
    QLabel* body() const { return body_; }

private:
    QLabel* title_;
    QLabel* body_;
};

// The content card: a column with spacing 10 inside padding 13, full width, in the active theme.
class Card : public BriselCard {
    Q_OBJECT

public:
    explicit Card(ViewContext context, QWidget* parent = nullptr);
    QVBoxLayout* column() const { return column_; }
    template <typename W> W* add(W* widget) {
        addWidget(widget);
        return widget;
    }

private:
    void addWidget(QWidget* widget);
    QVBoxLayout* column_;
};

// A card with one symbol-led line at 11.5 (errors, the limit warning).
class StatusCard : public Card {
    Q_OBJECT

public:
    StatusCard(ViewContext context, const QString& symbol, QWidget* parent = nullptr);
    void setText(const QString& text) { line_->setText(text); }
    QLabel* label() const { return line_->label(); }

private:
    SymbolLine* line_;
};

// A selectable option drawn as a card: icon, title, body and a selection mark. It never checks
// itself: a click focuses it and runs the action; the owner syncs `selected`. Arrow keys go to
// `onMove` (forward: down or right).
class ChoiceCard : public QAbstractButton {
    Q_OBJECT

public:
    ChoiceCard(const QString& id, const QString& icon, std::function<void()> action,
               QWidget* parent = nullptr);

    void setTexts(const QString& title, const QString& body);
    void setSymbol(const QString& icon);
    void setSelected(bool selected);
    void setAppearance(const Appearance& appearance);
    void setOnMove(std::function<void(bool forward)> onMove) { onMove_ = std::move(onMove); }
    bool outlined() const;
    QLabel* titleLabel() const { return title_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void nextCheckState() override {}

private:
    void syncColors();

    SymbolView* icon_;
    SymbolView* mark_;
    QLabel* title_;
    QLabel* body_;
    Appearance appearance_;
    std::function<void(bool)> onMove_;
};

// A setup step and its result ("onboarding.result.<case>", a green check before a confirmed one);
// named after the step's key.
class ResultRow : public QWidget {
    Q_OBJECT

public:
    explicit ResultRow(const QString& key, QWidget* parent = nullptr);
    void sync(const PageEnv& env, SetupResult result);
    QLabel* value() const { return value_; }

private:
    QString key_;
    QLabel* label_;
    SymbolView* check_;
    QLabel* value_;
};

// The results card: the charge, ordinary and lid rows the state asks for.
class ResultsCard : public Card {
    Q_OBJECT

public:
    explicit ResultsCard(ViewContext context, QWidget* parent = nullptr);
    void sync(const PageEnv& env, const OnboardingState& state);

private:
    QList<ResultRow*> rows_;
};

// A label and its value (secondary rule, right-aligned), at 11; named after the label key.
class SummaryLine : public QWidget {
    Q_OBJECT

public:
    explicit SummaryLine(const QString& labelKey, QWidget* parent = nullptr);
    void sync(const PageEnv& env, const QString& valueKey);
    QLabel* value() const { return value_; }

private:
    QString labelKey_;
    QLabel* label_;
    QLabel* value_;
};

// A small indeterminate progress bar and its label.
class BusyLine : public QWidget {
    Q_OBJECT

public:
    explicit BusyLine(QWidget* parent = nullptr);
    void setText(const QString& text);

private:
    QLabel* label_;
};

} // namespace brisel

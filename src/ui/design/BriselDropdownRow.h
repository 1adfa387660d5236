#pragma once

#include "ui/design/DropdownOption.h"
#include "ui/design/ViewContext.h"

#include <QMenu>
#include <QObject>
#include <QPointer>
#include <QWidget>

#include <functional>
#include <optional>
#include <vector>

class QLabel;

namespace brisel {

class DropdownPill;

// The id of the dropdown row whose menu is open, shared by every row of one window. Setting it
// to anything else closes the open menu without a choice.
class ActiveDropdown : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;
    const std::optional<QString>& id() const { return id_; }
    void setId(std::optional<QString> id);

signals:
    void changed();

private:
    std::optional<QString> id_;
};

// A settings row: the title on the left (wrapping) and a pill on the right that shows the chosen
// option's label and pops up a menu of every option, the chosen ones checked. The row never
// changes its own selection: a choice goes to the owner, who syncs the row. This base holds
// everything but the value type; BriselDropdownRow<T> adds the values.
class BriselDropdownRowBase : public QWidget {
    Q_OBJECT

public:
    // `id` names the row within its window; the pill is "dropdown-" + id.
    BriselDropdownRowBase(ViewContext context, QString id, ActiveDropdown* active, QWidget* parent = nullptr);
    ~BriselDropdownRowBase() override;

    const QString& id() const { return id_; }
    void setMinimumPillWidth(std::optional<int> width);
    bool isMenuOpen() const { return menuOpen_; }
    QMenu* menu() const { return menu_; }
    // The item the open menu was popped up on: the last selected one.
    QAction* positioningAction() const { return positioning_; }
    DropdownPill* pill() const { return pill_; }
    QLabel* titleLabel() const { return title_; }
    // Opens the menu, as a click on the pill does.
    void open();

protected:
    // The title, the labels in menu order and whether each option is the selection; called once per
    // sync.
    void syncOptions(const QString& title, const QStringList& labels, const std::vector<bool>& selected);
    // Keeps the option values as they are at opening; a menu choice names an index into them.
    virtual void keepValuesForMenu() = 0;
    virtual void choose(int index) = 0;

private:
    void menuClosed(QMenu* menu);
    void activeChanged();

    ViewContext context_;
    QString id_;
    QPointer<ActiveDropdown> active_;
    QLabel* title_;
    DropdownPill* pill_;
    QStringList labels_;
    std::vector<bool> selected_;
    QPointer<QMenu> menu_;
    QPointer<QAction> positioning_;
    bool menuOpen_ = false;
};

template <typename T> class BriselDropdownRow : public BriselDropdownRowBase {
public:
    using BriselDropdownRowBase::BriselDropdownRowBase;

    void sync(const QString& title, std::vector<DropdownOption<T>> options, const T& selection) {
        QStringList labels;
        std::vector<bool> selected;
        for (const auto& option : options) {
            labels << option.label;
            selected.push_back(option.value == selection);
        }
        options_ = std::move(options);
        syncOptions(title, labels, selected);
    }
    void setOnSelect(std::function<void(const T&)> onSelect) { onSelect_ = std::move(onSelect); }

protected:
    void keepValuesForMenu() override {
        menuValues_.clear();
        for (const auto& option : options_)
            menuValues_.push_back(option.value);
    }
    void choose(int index) override {
        if (index < 0 || size_t(index) >= menuValues_.size() || !onSelect_) return;
        onSelect_(menuValues_[size_t(index)]);
    }

private:
    std::vector<DropdownOption<T>> options_;
    std::vector<T> menuValues_;
    std::function<void(const T&)> onSelect_;
};

} // namespace brisel

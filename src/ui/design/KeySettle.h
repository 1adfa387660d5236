#pragma once

#include <QObject>
#include <QPointer>

#include <map>
#include <memory>
#include <utility>
#include <vector>

class QKeyEvent;
class QWidget;

namespace brisel {

class Clock;

// A key that brings up a window or a page must not also act in what it brought up: pressed twice,
// repeating or still held, Space or Return would press whatever has focus there. For a short while
// after a window is shown, raised or activated, or shows a new page, those keys press nothing in
// it, and a key held down since then presses nothing until it is let go. A window that shows or is
// activated starts its settle time by itself; pop-ups do not (a menu or a picker's list opens on
// the chosen item, and a quick arrow and Return there must work), so a host that brings one up, a
// host that raises a window already active, and a view that changes its page call settle().
// One object serves the application, as its event filter; without one, keys act as Qt delivers.
class KeySettle : public QObject {
public:
    static constexpr double kSeconds = 0.5;
    // A press this soon after the key went up is a repeat of the key held (no hand is this fast).
    static constexpr double kRepeatGap = 0.02;

    explicit KeySettle(std::shared_ptr<Clock> clock);
    ~KeySettle() override;

    // The settle time of `widget`'s window starts now.
    static void settle(const QWidget* widget);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // What became of a key's press while it is down.
    enum class Down { passed, carried /* passed before a settle */, dropped };

    void start(const QWidget* window);
    bool settling(const QWidget* window) const;
    // Whether the key event must not reach `window`; notes which keys are down.
    bool drops(const QKeyEvent& event, const QWidget* window);

    std::shared_ptr<Clock> clock_;
    std::vector<std::pair<QPointer<const QWidget>, double>> started_; // window, when its settle began
    std::map<int, Down> down_;
    std::pair<int, double> lastUp_{}; // the last carried or dropped key let go, and when
};

} // namespace brisel

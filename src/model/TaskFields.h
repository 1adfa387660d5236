#pragma once

// Helpers for the stored tasks of an observable object (one optional `Task` field per kind of
// work). Two rules keep those fields honest:
// - a task clears its own field when it ends, however it ends (a return, or an exception out of a
//   substitute service), so nothing is left naming a finished task;
// - a loop that waits "until the field is empty" stops when the field still names the task it has
//   just awaited, because awaiting a finished task does not suspend and would spin for ever.

#include "async/Task.h"

#include <QPointer>

#include <optional>
#include <utility>

namespace brisel {

// Runs `fn` when the scope ends, on every path. `fn` must not throw.
template <typename Fn> class [[nodiscard]] ScopeExit {
public:
    explicit ScopeExit(Fn fn) : fn_(std::move(fn)) {}
    ~ScopeExit() { fn_(); }
    ScopeExit(const ScopeExit&) = delete;
    ScopeExit& operator=(const ScopeExit&) = delete;

private:
    Fn fn_;
};

// In a task body: empties `owner->*field` when the body ends, unless the owner is gone. For
// single-instance work, whose field no newer task can have taken.
template <typename Owner, typename T> auto clearOnExit(QPointer<Owner> owner, std::optional<T> Owner::*field) {
    return ScopeExit([owner, field] {
        if (owner) (owner.data()->*field).reset();
    });
}

// The same, only while `stillOwns(owner)` holds: for chained work, whose field a newer task takes
// over (the check compares the identity the task was started under: a revision, a generation).
template <typename Owner, typename T, typename Check>
auto clearOnExitIf(QPointer<Owner> owner, std::optional<T> Owner::*field, Check stillOwns) {
    return ScopeExit([owner, field, stillOwns] {
        if (owner && stillOwns(static_cast<const Owner&>(*owner.data()))) (owner.data()->*field).reset();
    });
}

// Awaits the task in `owner->*field`, then whatever task has taken the field meanwhile, until the
// field is empty or the owner is gone. Stops when the field still names the task just awaited. A
// failure of an awaited task is not passed on: the wait is only about its end.
template <typename Owner, typename T>
Task<void> awaitUntilEmpty(QPointer<Owner> owner, std::optional<Task<T>> Owner::*field) {
    while (owner && (owner.data()->*field)) {
        const Task<T> current = *(owner.data()->*field);
        try {
            co_await current;
        } catch (...) {
        }
        if (!owner) co_return;
        const std::optional<Task<T>>& now = owner.data()->*field;
        if (now && *now == current) co_return;
    }
}

// Awaits `task` once when there is one; a failure is not passed on.
template <typename T> Task<void> awaitOnce(std::optional<Task<T>> task) {
    if (!task) co_return;
    try {
        co_await *task;
    } catch (...) {
    }
}

} // namespace brisel

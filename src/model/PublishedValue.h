#pragma once

// A published field of an observable object (the model, the wizard's coordinator). Reading gives
// the stored value. Assigning stores the new value, tells the owner that its state changed (the
// owner turns these notes into one `changed()` signal per event-loop turn) and then runs the
// field's change handler, if it has one; a handler may take the old value. The handler runs on
// every assignment, also when the value stays the same.

#include <utility>

namespace brisel {

// `Owner` provides `void noteChanged()`.
template <typename Owner, typename T> class PublishedValue {
public:
    using Handler = void (Owner::*)(const T& old);
    using PlainHandler = void (Owner::*)();

    PublishedValue(Owner& owner, T initial) : owner_(owner), value_(std::move(initial)) {}
    PublishedValue(Owner& owner, T initial, Handler handler)
        : owner_(owner), value_(std::move(initial)), handler_(handler) {}
    PublishedValue(Owner& owner, T initial, PlainHandler handler)
        : owner_(owner), value_(std::move(initial)), plainHandler_(handler) {}
    PublishedValue(const PublishedValue&) = delete;
    PublishedValue& operator=(const PublishedValue&) = delete;

    const T& operator()() const noexcept { return value_; }

    PublishedValue& operator=(T value) {
        T old = std::exchange(value_, std::move(value));
        owner_.noteChanged();
        if (handler_)
            (owner_.*handler_)(old);
        else if (plainHandler_)
            (owner_.*plainHandler_)();
        return *this;
    }

private:
    Owner& owner_;
    T value_;
    Handler handler_ = nullptr;
    PlainHandler plainHandler_ = nullptr;
};

} // namespace brisel

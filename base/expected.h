#pragma once

#include <optional>
#include <string>
#include <utility>
#include <variant>

namespace auxpad {

// The one way the layers below the fronts say that something did not work: a value, or
// the reason it could not be had, in one line the operator can read. It has the shape of
// C++23's std::expected, which the compilers the stations build with do not all offer
// (clang 14 cannot read libstdc++'s), so code written against it moves over unchanged.
template <typename E>
struct Unexpected {
    E error;
};

template <typename E>
Unexpected<std::decay_t<E>> unexpected(E&& error)
{
    return {std::forward<E>(error)};
}

template <typename T, typename E = std::string>
class [[nodiscard]] Expected {
public:
    Expected(T value) : held_(std::in_place_index<0>, std::move(value)) {}
    template <typename F>
    Expected(Unexpected<F> failure) : held_(std::in_place_index<1>, std::move(failure.error))
    {
    }

    bool has_value() const { return held_.index() == 0; }
    explicit operator bool() const { return has_value(); }
    T& value() & { return std::get<0>(held_); }
    const T& value() const& { return std::get<0>(held_); }
    // From a temporary, the value itself: a loop over `find().value()` must not outlive it.
    T value() && { return std::move(std::get<0>(held_)); }
    T& operator*() { return value(); }
    const T& operator*() const { return value(); }
    T* operator->() { return &value(); }
    const T* operator->() const { return &value(); }
    const E& error() const { return std::get<1>(held_); }
    template <typename U>
    T value_or(U&& other) const
    {
        return has_value() ? value() : static_cast<T>(std::forward<U>(other));
    }

private:
    std::variant<T, E> held_;
};

template <typename E>
class [[nodiscard]] Expected<void, E> {
public:
    Expected() = default;
    template <typename F>
    Expected(Unexpected<F> failure) : error_(std::move(failure.error))
    {
    }

    bool has_value() const { return !error_; }
    explicit operator bool() const { return has_value(); }
    const E& error() const { return *error_; }

private:
    std::optional<E> error_;
};

} // namespace auxpad

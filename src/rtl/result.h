#pragma once
// Result<T, E>: what an operation that may be refused returns, its value or why it did
// nothing. A refusal the caller expects (a folder that is not there, a malformed file it was
// handed) travels this way and the caller decides what to show; only the runtime's errors are
// exceptions. Returned as a Failure<E> when refused:
//
//     if (!folder_exists)
//         return rtl::Failure{Problem{"no such folder"}};
//     return listing;

#include <utility>
#include <variant>

namespace varnimo::rtl {

// Why an operation did nothing, on its way into a Result.
template <typename E>
struct Failure {
    E error;
};
// Spelled out for compilers that deduce no aggregate's arguments (clang before 17).
template <typename E>
Failure(E) -> Failure<E>;

template <typename T, typename E>
class [[nodiscard]] Result {
  public:
    Result(T value) : state_(std::in_place_index<0>, std::move(value)) {}
    Result(Failure<E> failure) : state_(std::in_place_index<1>, std::move(failure.error)) {}

    // True when the operation did what it was asked.
    bool Ok() const { return state_.index() == 0; }
    explicit operator bool() const { return Ok(); }

    // Only when Ok().
    T& Value() { return std::get<0>(state_); }
    const T& Value() const { return std::get<0>(state_); }
    // Only when not Ok().
    const E& Error() const { return std::get<1>(state_); }

  private:
    std::variant<T, E> state_;
};

}  // namespace varnimo::rtl

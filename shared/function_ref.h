#pragma once
// A reference to a callable for the length of one call: nothing is copied or
// allocated, and the callee needs no template. The callable must outlive the
// reference, as a lambda passed straight to the call does.
#include <memory>
#include <type_traits>
#include <utility>

namespace marsitel {

template <typename Signature>
class FunctionRef;

template <typename Result, typename... Args>
class FunctionRef<Result(Args...)> {
public:
    // Not for another FunctionRef, which is copied instead.
    template <typename Callable,
              typename = std::enable_if_t<!std::is_same_v<std::remove_cvref_t<Callable>, FunctionRef> &&
                                          std::is_invocable_r_v<Result, Callable&, Args...>>>
    FunctionRef(Callable&& callable) noexcept  // NOLINT(google-explicit-constructor): as a lambda converts
        : object_(const_cast<void*>(static_cast<const void*>(std::addressof(callable)))),
          call_([](void* object, Args... args) -> Result {
              return (*static_cast<std::remove_reference_t<Callable>*>(object))(std::forward<Args>(args)...);
          }) {}

    Result operator()(Args... args) const { return call_(object_, std::forward<Args>(args)...); }

private:
    void* object_;
    Result (*call_)(void*, Args...);
};

}  // namespace marsitel

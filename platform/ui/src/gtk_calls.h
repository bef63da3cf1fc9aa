// Calls onto the layer's GTK thread from the threads of the program.
#pragma once

#include <functional>
#include <optional>
#include <type_traits>
#include <utility>

namespace platform::ui::gtk {

// Runs work on the GTK thread. The caller meanwhile handles its own queue
// as a modal loop does: what other threads send it, its posted messages
// and its timers; a call made while those are handled (nested) handles
// only what is sent. GTK's failures become WinError (ERROR_NOT_READY when no
// display can be opened).
void call(const std::function<void()>& work);

template <class Body>
auto callFor(Body&& body) {
    using Result = std::invoke_result_t<Body&>;
    if constexpr (std::is_void_v<Result>) {
        call(body);
    } else {
        std::optional<Result> result;
        call([&] { result.emplace(body()); });
        return std::move(*result);
    }
}

}  // namespace platform::ui::gtk

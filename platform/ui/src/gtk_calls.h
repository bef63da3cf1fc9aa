// Calls onto the layer's GTK thread from the threads of the program.
#pragma once

#include <functional>
#include <optional>
#include <type_traits>
#include <utility>

namespace platform::ui::gtk {

// How the caller waits for the GTK thread. A window that asks the user
// waits as a modal loop does, handling what other threads send it, its
// posted messages and its timers. Anything else (a modeless window that
// follows its state, the cursor, a beep) handles only what is sent, so
// that a message the thread posted stays for the thread's own loop.
enum class Waiting { Modal, SentOnly };

// Runs work on the GTK thread, the caller waiting as told. GTK's failures
// become WinError (ERROR_NOT_READY when no display can be opened).
// Only the outermost call of a thread hands posted messages out; a call made
// while they are handled (nested) handles only what is sent.
void call(const std::function<void()>& work, Waiting waiting = Waiting::Modal);

template <class Body>
auto callFor(Body&& body, Waiting waiting = Waiting::Modal) {
    using Result = std::invoke_result_t<Body&>;
    if constexpr (std::is_void_v<Result>) {
        call(body, waiting);
    } else {
        std::optional<Result> result;
        call([&] { result.emplace(body()); }, waiting);
        return std::move(*result);
    }
}

}  // namespace platform::ui::gtk

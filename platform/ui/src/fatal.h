// The loud end of a UI run that cannot go on: a question nobody answers, a
// script that cannot be read, a backend name nobody knows.
#pragma once

#include <string_view>

namespace platform::ui {

// Writes "platform ui: <message>" to stderr and aborts the process.
[[noreturn]] void fatal(std::string_view message) noexcept;

}  // namespace platform::ui

#include "fatal.h"

#include <cstdio>
#include <cstdlib>

namespace platform::ui {

void fatal(std::string_view message) noexcept {
    std::fprintf(stderr, "platform ui: %.*s\n", static_cast<int>(message.size()), message.data());
    std::fflush(stderr);
    std::abort();
}

}  // namespace platform::ui

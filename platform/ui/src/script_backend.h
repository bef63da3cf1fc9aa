// The backend without windows: every question goes to the script answers.
#pragma once

#include <filesystem>
#include <memory>

#include "platform/ui.h"

namespace platform::ui::script {

// With a file, its answers are loaded first (see script_answers.h).
std::unique_ptr<Backend> makeBackend(const std::filesystem::path& file = {});

}  // namespace platform::ui::script

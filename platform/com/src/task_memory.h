// Text handed to the caller in the task allocator.
#pragma once

#include <string_view>

#include "win32/com.h"

namespace platform::com {

// A NUL-terminated copy the caller frees with CoTaskMemFree; throws
// std::bad_alloc.
LPOLESTR taskMemoryCopy(std::u16string_view text);

}  // namespace platform::com

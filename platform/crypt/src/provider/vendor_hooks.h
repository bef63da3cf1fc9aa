// The per-provider table of vendor parameters (see platform/crypt_providers.h).
#pragma once

#include <optional>

#include "platform/crypt_providers.h"

namespace platform::crypt::provider {

std::optional<ParameterHook> findParameterHook(std::u16string_view provider, ParameterKind kind, DWORD param);

}  // namespace platform::crypt::provider

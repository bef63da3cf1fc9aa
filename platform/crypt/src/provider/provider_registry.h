// The provider list as the registry keeps it (see platform/crypt_providers.h).
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "win32/types.h"

namespace platform::crypt::provider {

struct ProviderEntry {
    std::u16string name;  // as registered
    DWORD type = 0;
    std::u16string imagePath;
};

// Every lookup first writes the built-in providers and defaults that are absent.
std::optional<ProviderEntry> findProvider(std::u16string_view name);
// Ordered by name, as the registry lists subkeys on Windows.
std::vector<ProviderEntry> listProviders();
// The user's default when asked for and set, else the machine's default.
std::optional<std::u16string> defaultProviderName(DWORD type, bool user);

// True for the image path under which the built-in software providers are listed.
bool isBuiltInImage(std::u16string_view imagePath);

}  // namespace platform::crypt::provider

// The layer's own interface to the provider list, for installers and tests.
// Providers live in the registry as on Windows:
//   HKLM\SOFTWARE\Microsoft\Cryptography\Defaults\Provider\<name>
//       "Type" (REG_DWORD), "Image Path" (REG_SZ)
//   HKLM\SOFTWARE\Microsoft\Cryptography\Defaults\Provider Types\Type NNN
//       "Name" (REG_SZ), the machine default of type NNN
//   HKCU\Software\Microsoft\Cryptography\Provider Type NNN
//       "Name" (REG_SZ), the user's default
// The built-in software providers (image "rsaenh.dll") and the machine
// defaults of types 1 and 24 are written on first use when absent. A card
// provider's image is the path of a PKCS#11 module.
#pragma once

#include <filesystem>
#include <functional>
#include <string_view>
#include <vector>

#include "win32/crypt_types.h"

namespace platform::crypt {

// The card providers the system knows by name.
inline constexpr char16_t kZintraCsp[] = u"Zintra CSP";
inline constexpr char16_t kKavloCsp[] = u"KavloCSP";
inline constexpr char16_t kDravikCsp[] = u"Tesk Dravik CSP v1.0";

// Lists (or lists again) a card provider over a PKCS#11 module.
void registerCardProvider(std::u16string_view name, const std::filesystem::path& module,
                          DWORD type = PROV_RSA_FULL);
// Removes a provider from the list; nothing happens when it is not listed.
void unregisterProvider(std::u16string_view name);

enum class DefaultScope { Machine, User };
// Makes a listed provider the default of its type; an empty name clears
// the user's default (the machine's default stays).
void setDefaultProvider(DWORD type, std::u16string_view name, DefaultScope scope);

// Vendor parameters: CryptGetProvParam / CryptSetProvParam and
// CryptGetKeyParam / CryptSetKeyParam numbers that a provider of that name
// answers through these hooks, in this process only. A hook wins; a
// direction it does not fill gives NTE_BAD_TYPE. Without a hook, a card
// provider reads the value from its token's data objects (never sets it);
// else NTE_BAD_TYPE. A hook may throw platform::WinError to fail the call
// with its code.
enum class ParameterKind { Provider, Key };
struct HookTarget {
    HCRYPTPROV provider;  // the context (for a key, the one it came from)
    DWORD keySpec;        // the key's AT_ value; 0 for provider parameters
};
struct ParameterHook {
    std::function<std::vector<BYTE>(const HookTarget& target, DWORD flags)> get;
    // The data's length is the parameter's business, as on Windows.
    std::function<void(const HookTarget& target, const BYTE* data, DWORD flags)> set;
};
void setParameterHook(std::u16string_view provider, ParameterKind kind, DWORD param, ParameterHook hook);
void clearParameterHooks();

}  // namespace platform::crypt

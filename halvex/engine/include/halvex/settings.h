// The settings file "Halvex.xml": the providers it lists under
// halvex/csplist/csp, applied over the provider entries.
#pragma once

#include <string>

#include "halvex/provider_list.h"

namespace halvex {

inline constexpr char16_t kSettingsFileName[] = u"Halvex.xml";

// Each csp element with a non-empty "name" replaces or adds that provider's
// entry: "card" exactly "TRUE" gives a card provider, anything else a
// software one; "sscd", "other", "parvel", "parvel_native" exactly "TRUE"
// add their flags; "enabled" exactly "FALSE" disables it; "proof" exactly
// "TRUE" makes it a proof provider. False, entries unchanged, when the path
// is empty, the file does not exist or it does not parse; true otherwise,
// also when it lists no provider.
bool LoadProviderSettings(const std::u16string& path, TCSPManager& providers);

}  // namespace halvex

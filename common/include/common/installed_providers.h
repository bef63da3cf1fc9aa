// The providers installed on the machine: the process-wide list of those of
// types 1 and 24, algorithm support, and the machine default of a type.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "common/crypt_provider.h"
#include "win32/crypt_types.h"

// Appends every installed provider of the type (0: of every type) in
// CryptoAPI's order; the list's size.
std::size_t EnumInstalledProviders(std::vector<TCryptProvider>& out, DWORD type);
// Appends the providers of type 1, then of type 24, to the process-wide
// list when it is empty or force is set.
void FillInstalledProviders(bool force);
const std::vector<TCryptProvider>& InstalledProviders();
// The type of the first listed provider of that name (any case); 0 when
// none.
DWORD GetInstalledProviderType(const std::string& name);

// Whether the provider lists the algorithm; false for handle 0.
bool ProviderSupportsAlg(HCRYPTPROV provider, ALG_ID algId);
// The same for a provider acquired (and released) for the test; false when
// it cannot be acquired.
bool ProviderSupportsAlg(const TCryptProvider& provider, ALG_ID algId);

// False for the three smart-card providers whose containers hold one
// certificate (case-sensitive), true for every other name.
bool IsPlainProvider(const std::string& name);

// The machine-default provider of the type; false, with out unchanged, when
// there is none.
bool GetDefaultCspName(std::string& out, DWORD type);

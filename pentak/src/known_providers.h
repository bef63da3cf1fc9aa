// The fixed names of the enrolment library: the current user's system
// stores it uses, the card and software providers it knows by name, and the
// algorithms of the one card provider that is never asked for them.
#pragma once

#include <vector>

#include "common/crypt_provider.h"

// Store names; every store is the current user's, opened only when it
// exists.
inline constexpr char16_t kStorePersonal[] = u"MY";
inline constexpr char16_t kStoreAddressBook[] = u"AddressBook";
inline constexpr char16_t kStoreRequest[] = u"REQUEST";
inline constexpr char16_t kStoreRoot[] = u"Root";
inline constexpr char16_t kStoreCa[] = u"CA";
inline constexpr DWORD kSystemStoreFlags = 0x14000;  // current user, existing store

inline constexpr char16_t kGpk4000Csp[] = u"Oper CSP GPK4000";
inline constexpr char16_t kKavloCspName[] = u"KavloCSP";
inline constexpr char16_t kZintraCspName[] = u"Zintra CSP";
inline constexpr char16_t kDravikCspName[] = u"Tesk Dravik CSP v1.0";
// The software provider that computes every hash the library asks for.
inline constexpr char16_t kAesProvider[] = u"Microsoft Enhanced RSA and AES Cryptographic Provider";

// The providers other parts of the library compare the session's provider
// with: name and type, no algorithms.
const std::vector<TCryptProviderW>& KnownProviders();
// The known record of that name (exactly as listed); null when none.
const TCryptProviderW* FindKnownProvider(const std::u16string& name);

// The algorithms of the "Oper CSP GPK4000" card provider.
const std::vector<PROV_ENUMALGS_EX>& Gpk4000Algorithms();

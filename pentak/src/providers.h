// Providers as the enrolment library asks about them: their algorithms,
// the providers of a name, and a few single values.
#pragma once

#include <string>
#include <vector>

#include "common/crypt_provider.h"

// Fills the record's algorithm list: the built-in one of the GPK4000 card
// provider, else every PROV_ENUMALGS_EX record the provider lists through a
// verify context. False when the provider cannot be acquired or fails to
// list them.
bool LoadProviderAlgorithms(TCryptProviderW& provider);

// Appends every installed provider of that name, of any type.
void ProvidersByName(const std::u16string& name, std::vector<TCryptProviderW>& out);

// Whether the list holds a provider of that name and type (a record of type
// 0 matches any type).
bool ProviderListHas(const std::vector<TCryptProviderW>& list, const std::u16string& name, DWORD type);

// The record of the algorithm among the records; null when none.
const PROV_ENUMALGS_EX* FindAlgorithm(const std::vector<PROV_ENUMALGS_EX>& algorithms, ALG_ID algId);

// The key algorithm of a key spec: AT_SIGNATURE signs, any other exchanges.
ALG_ID AlgIdOfKeySpec(DWORD keySpec);

// The provider's version (PP_VERSION); false when it cannot be read.
bool ProviderVersion(HCRYPTPROV provider, DWORD& version);

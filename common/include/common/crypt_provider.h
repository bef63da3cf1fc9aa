// TCryptProvider: one cryptographic service provider as CryptoAPI lists it,
// by its ANSI name and provider type, with the algorithms it offers once
// they have been looked up.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "win32/crypt_provider.h"
#include "win32/types.h"

class TCryptProvider {
public:
    TCryptProvider() = default;
    TCryptProvider(std::string name, DWORD type) : m_name(std::move(name)), m_type(type) {}
    virtual ~TCryptProvider() = default;
    TCryptProvider(const TCryptProvider&) = default;
    TCryptProvider& operator=(const TCryptProvider&) = default;

    std::string GetName() const { return m_name; }
    // A provider recorded without a type is one of PROV_RSA_FULL.
    DWORD GetType() const noexcept { return m_type ? m_type : PROV_RSA_FULL; }
    // Empty until they are looked up.
    const std::vector<PROV_ENUMALGS_EX>& GetAlgorithms() const noexcept { return m_algorithms; }
    void SetAlgorithms(std::vector<PROV_ENUMALGS_EX> algorithms) { m_algorithms = std::move(algorithms); }

protected:
    std::string m_name;
    DWORD m_type = 0;
    std::vector<PROV_ENUMALGS_EX> m_algorithms;
};

// The enrolment library's record of one provider: its UTF-16 name, its type
// and the algorithms it lists (empty until they are looked up).
struct TCryptProviderW {
    std::u16string name;
    DWORD type = 0;
    std::vector<PROV_ENUMALGS_EX> algorithms;
};

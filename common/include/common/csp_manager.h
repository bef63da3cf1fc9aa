// The providers the signing component may use and what each can do: one
// process-wide list of records, filled once with the known providers and
// adjusted by the signed configuration, and TCSPManager, through which a
// provider is opened by name.
#pragma once

#include <cstddef>
#include <string>
#include <utility>

#include "common/cryptoapi.h"

// Capability bits of a record; the others (1, 2, 16, 32) are only kept.
inline constexpr DWORD kProviderSecureDevice = 4;  // keys on a secure signature-creation device
inline constexpr DWORD kProviderSscdFilter = 8;    // offered when only such certificates are selected

struct SscdProviderRecord {
    SscdProviderRecord() = default;
    SscdProviderRecord(std::string name, DWORD flags, DWORD enabled)
        : name(std::move(name)), flags(flags), enabled(enabled) {}

    std::string name;  // compared without regard to case
    DWORD flags = 0;
    DWORD enabled = 1;
};

// The first record of that name (any case, enabled or not).
bool GetProviderByName(const std::string& name, SscdProviderRecord& out);

class TCSPManager : public TCryptoapi {
public:
    // Puts in the built-in rows, once per process.
    TCSPManager();
    ~TCSPManager() override;

    static std::size_t GetProviderCount();
    static bool GetProvider(std::size_t index, SscdProviderRecord& out);
    // The first record of that name is enabled and has one of the bits.
    static bool ProviderHasFlags(const std::string& name, DWORD flags);
    // Empties the list; the built-in rows do not come back in this process.
    static void ClearProviders();
    static void InitDefaultProviders();
    // "*": the installed providers of types 1 and 24 replace the list, each
    // with flags. Otherwise the record of that name, or a new one at the
    // end, gets flags and is enabled.
    static void ConfigureProvider(const std::string& name, DWORD flags);

    // Takes the provider, listing its container certificates when it is a
    // secure device and enumerateCertificates is set. On failure the machine
    // default of type 1 is taken instead and the failure's number returned.
    virtual DWORD OpenProvider(const std::string& name, bool enumerateCertificates);
    // The record of the held provider has one of the bits, enabled or not.
    bool CertProviderHasFlags(DWORD flags) const;
    // Takes the machine default of the type, without its containers.
    void UseDefaultProvider(DWORD type);
};

// TAppData: what the renewal program knows independently of any request:
// the request types it offers, the signature algorithms it accepts, its
// configuration folder and settings file, the renewal-server address and
// the provider entries.
#pragma once

#include <string>
#include <vector>

#include "halvex/provider_list.h"
#include "halvex/request_app_data.h"

namespace halvex {

// Request-kind bits.
inline constexpr DWORD kRequestQualified = 0x1;
inline constexpr DWORD kRequestCommercial = 0x2;
inline constexpr DWORD kRequestParvelPair = 0x80;
inline constexpr DWORD kRequestRenewal = 0x80000;

struct RequestType {
    DWORD kind;
    const char16_t* code;
    const char16_t* policyDocument;
    UINT titleId;
    UINT secondTitleId;  // 0: none
    UINT shortNameId;
};

// Names of the certificate stores the program opens.
inline constexpr char16_t kStoreMy[] = u"MY";
inline constexpr char16_t kStoreAddressBook[] = u"AddressBook";
inline constexpr char16_t kStoreRequest[] = u"REQUEST";
inline constexpr char16_t kStoreRoot[] = u"Root";

inline constexpr char16_t kSha1RsaOid[] = u"1.2.840.113549.1.1.5";
inline constexpr char16_t kSha1RsaShortOid[] = u"1.3.14.3.2.29";

// "1.2.840.113549.1.1.5" (SHA-1 with RSA) becomes "1.3.14.3.2.29"; every
// other OID stays.
std::u16string NormalizeSha1Oid(const std::u16string& oid);

// What the request model reads of it comes through RequestAppData.
class TAppData : public RequestAppData {
public:
    // The process's object, made on first use.
    static TAppData& Instance();
    TAppData();
    TAppData(const TAppData&) = delete;
    TAppData& operator=(const TAppData&) = delete;

    bool IsInitialised() const noexcept { return m_initialised; }

    // The folder in which start-up found the settings file; the settings
    // file is that folder's "Halvex.xml".
    void SetConfigurationFolder(const std::u16string& folder);
    const std::u16string& GetConfigurationFolder() const noexcept { return m_configurationFolder; }
    const std::u16string& GetSettingsPath() const noexcept { return m_settingsPath; }
    // Applies the settings file's providers; false, the entries as they
    // were, when there is no settings file or it does not parse.
    bool LoadCspList();

    TCSPManager& Providers() noexcept { return m_providers; }
    const TCSPManager& Providers() const noexcept { return m_providers; }

    void SetServerUrl(const std::u16string& url) { m_serverUrl = url; }
    const std::u16string& GetServerUrl() const noexcept { return m_serverUrl; }

    // The codes of the request types offered, as one text.
    const std::u16string& GetRequestTypeCodes() const noexcept { return m_requestTypeCodes; }
    // The kind of a request-type text: its last two characters are a code
    // of the table (exactly); a three-character text beginning with "R"
    // adds the renewal bit. 0 when shorter than 2 or not found.
    DWORD RequestKind(const std::u16string& type) const;
    // The request type of the kind's qualified, commercial and Parvel-pair
    // bits (a renewal, an authority-family or lawyer-card kind is of its
    // certificate's type); null when none.
    const RequestType* FindRequestType(DWORD kind) const;

    const std::u16string& DefaultHashAlgorithm() const { return m_hashAlgorithms.front(); }
    bool IsListedHash(const std::u16string& oid) const;

    std::u16string DefaultHashOid() const override { return DefaultHashAlgorithm(); }
    bool IsAcceptedHash(const std::u16string& oid) const override { return IsListedHash(oid); }
    DWORD ProviderFlags(const std::u16string& providerName) const override;

private:
    bool m_initialised = false;
    std::u16string m_configurationFolder;
    std::u16string m_settingsPath;
    TCSPManager m_providers;
    std::vector<std::u16string> m_hashAlgorithms;
    std::u16string m_serverUrl;
    std::u16string m_requestTypeCodes;
};

}  // namespace halvex

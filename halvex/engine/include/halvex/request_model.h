// The renewal request model: everything one renewal request needs, from the
// certificate being renewed to the generated PKCS#10 text, with the rules
// the model applies to its own fields. The main window holds three of them:
// the qualified certificate being renewed, the commercial certificate of a
// pair, and the additional authentication-certificate request.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "common/crypt_provider.h"
#include "halvex/request_app_data.h"
#include "halvex/request_certificate.h"
#include "win32/types.h"

namespace halvex {

// Bits of the request-kind word.
inline constexpr DWORD kKindQualified = 0x1;
inline constexpr DWORD kKindCommercial = 0x2;
inline constexpr DWORD kKindParvelPair = 0x80;
inline constexpr DWORD kKindAuthorityFamily = 0x100;
inline constexpr DWORD kKindLawyerCardPair = 0x800;
inline constexpr DWORD kKindRenewal = 0x80000;

// The caption of an identifier's type: "Rodné číslo" for "PNO", the
// passport's and the identity card's number for "PAS" and "IDC"; 0 for
// another prefix.
UINT IdentifierTypeCaption(std::u16string_view prefix);

class TRenewRequest {
public:
    virtual ~TRenewRequest() = default;

    int keyLength = 2048;             // bits
    int selectionIndex = -1;          // the chosen certificate, -1 none
    std::u16string signedRequest;     // the signed XML document
    std::u16string requestText;       // Base64 PKCS#10 request
    std::u16string xmlDocument;
    RequestCertificate certificate;   // the certificate being renewed
};

class TCertRequest : public TRenewRequest {
public:
    // The application data must outlive the request. Runs Reset.
    explicit TCertRequest(const RequestAppData& appData);

    // Every field back to its default; both container names from one
    // reading of the local time ("%Y%m%d%H%M%S" and "C%Y%m%d%H%M%S"); the
    // hash algorithm the application's default.
    void Reset();

    // Trims the identifier's texts, the country, the card number, the
    // provider name and both container names and collapses their runs of
    // blanks (the password is left as typed); clears the qualifier for the
    // country "SK"; with the first key option, names both key containers by
    // object label when the provider labels its keys.
    void NormalizeFields();

    // Stores the kind word; strong protection and usages 1 and 2 on; usages
    // 3 to 5 off for a qualified word (which also clears exportable), on
    // otherwise.
    void SetRequestKind(DWORD newKind);
    // The key-usage mask: 3 or 29 for a Parvel pair (qualified or not),
    // else the five flags as bits 0x01 to 0x10.
    int GetKeyUsage() const;
    // Usages 1 and 2 only, or all five; a Parvel pair keeps its usages.
    int PresetKeyUsageBasic();
    int PresetKeyUsageAll();

    static std::u16string JoinPair(const std::u16string& first, const std::u16string& second);
    // 6 when the key pair field says "…|6", else 12.
    int ValidityMonths() const;
    // A length that is not 512 and not a positive multiple of 1024 becomes
    // 2048; under a SHA-2 hash no length is below 2048.
    int NormalizeKeyLength(int length) const;
    // The same for the length in front of "|" in the key pair field.
    int NormalizeKeyLength() const;

    // The request's hash OID when the application accepts it, else the
    // application's default.
    std::u16string GetHashAlgorithm() const;
    // Stores an accepted OID; false (nothing changed) for another.
    bool SetHashAlgorithm(const std::u16string& oid);
    bool IsSha2Hash() const;

    // The first subject serial number that holds a "PAS", "IDC" or "PNO"
    // identifier; empty when none.
    std::u16string GetSerialNumber() const;
    // Replaces that value, or adds a serial number to the subject.
    void SetSerialNumber(const std::u16string& value);
    // Erases that serial number; nothing when there is none.
    void RemoveSerialNumber();
    // prefix + issuer + qualifier + "-" + value, as "PNOSK-1234567890".
    std::u16string ComposeIdentifier() const;

    // The public-administration option: a qualified certificate that
    // carries no identifier may have one added to its subject.
    bool OffersIdentifier() const;

    // The reader as a container path "\\.\reader\"; a name that already
    // holds "\\.\" as it is; empty without a reader.
    std::u16string GetReaderPath() const;

    // The one-line Czech summary of the subject and the identifier that
    // the applicant signs; a serial number of the subject that is the
    // identifier itself is listed once.
    std::u16string BuildSubject() const;

    // Erase the alternative names and the extended key usages that a
    // certificate of the request's kind does not carry over.
    void FilterAltNames();
    void FilterExtKeyUsage();

    std::u16string requestTimeStamp;  // local time of signing
    std::u16string saveFileName;      // empty: a name made from the time stamp
    std::u16string country = u"SK";
    bool hasIdentifier = false;       // the certificate already carries one (set when it is taken over)
    bool addIdentifier = false;       // the applicant asks for it in the subject
    std::u16string identifierValue;
    std::u16string identifierIssuer;     // issuing country
    std::u16string identifierQualifier;  // placed between issuer and "-"
    std::u16string identifierPrefix = u"PNO";  // "PNO" birth number, "PAS" passport, "IDC" identity card
    std::u16string challengePassword;    // revocation password
    DWORD kind = 0;
    int cardFamily = 1;                  // 1 "zintra", 0 "standard"
    std::u16string cardNumber;
    DWORD subjectStringType = kUtf8StringType;  // of every subject attribute the model adds
    bool exportableKey = false;
    bool strongProtection = true;
    bool keyUsage[5] = {false, false, false, false, false};  // mask bits 0x01 to 0x10
    std::u16string keyPair = u"2048|12";  // key length, "|", validity in months
    std::u16string readerName;
    TCryptProviderW provider;
    std::u16string firstContainer;
    std::u16string secondContainer;
    bool firstKeyOption = true;     // key generation options of the main
    bool furtherKeyOption = true;   // and of the further requests
    bool sendForm = true;           // "zip" when set, else "yes"
    std::vector<TCryptProviderW> providerList;
    std::u16string hashAlgorithm;

private:
    struct DefaultsOnly {};
    TCertRequest(const RequestAppData& appData, DefaultsOnly) : m_appData(&appData) {}

    const RequestAppData* m_appData;
};

}  // namespace halvex

// PEM armour of certificates and the Base64 conversions the certificate code
// uses, over the Base64 codec.
#pragma once

#include <string>
#include <vector>

#include "win32/crypt_types.h"
#include "win32/types.h"

inline constexpr char kPemCertificateBegin[] = "-----BEGIN CERTIFICATE-----";
inline constexpr char kPemCertificateEnd[] = "-----END CERTIFICATE-----";

// Codec flags of the Base64 text in records: encode, lines ended by LF.
inline constexpr DWORD kBase64RecordFlags = 5;

class TAsn1Coder {
public:
    // The begin label, LF, the Base64 text as given, the end label, LF.
    static std::string CertToPem(const std::string& base64);

    // ==== Members of the enrolment library, defined in pentak/src/ ====

    // The text in the ANSI code page, Base64-decoded with the codec flags
    // (6 accepts armour lines) into out, which is replaced.
    static bool StringToBinary(const std::u16string& text, std::vector<BYTE>& out, DWORD flags);
    // Whether the public key of the provider's key pair of that spec is
    // the given one; false also when the key cannot be exported.
    static bool ComparePublicKey(HCRYPTPROV provider, DWORD keySpec, const CERT_PUBLIC_KEY_INFO& publicKey);
    // ==== end of the enrolment library's members ====
};

// The text without any armour label, line feed or carriage return.
std::string PemStripArmour(const std::string& text);

// Runs the codec with flags over the bytes into out; 1 on success, else 0
// with out unchanged.
DWORD Base64ConvertBuffer(const BYTE* bytes, DWORD length, std::string& out, DWORD flags);
DWORD Base64ConvertToString(const BYTE* bytes, DWORD length, std::string& out);
DWORD Base64ConvertVector(const std::vector<BYTE>& bytes, std::string& out, DWORD flags);

// Replaces out with the decoded bytes; 1 on success, else 0 with out
// unchanged.
DWORD Base64DecodeToBytes(const char* text, DWORD length, std::vector<BYTE>& out);
DWORD Base64DecodeString(const std::string& text, std::vector<BYTE>& out);

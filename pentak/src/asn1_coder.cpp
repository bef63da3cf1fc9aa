// asn1_coder.cpp: the enrolment library's members of TAsn1Coder: Base64 text
// to bytes and the comparison of a key pair with a public key.
#include "common/base64.h"
#include "common/codepage.h"
#include "common/decoded_object.h"
#include "common/pem.h"
#include "containers.h"
#include "win32/crypt_store.h"

bool TAsn1Coder::StringToBinary(const std::u16string& text, std::vector<BYTE>& out, DWORD flags) {
    // Only decoding is asked of this member; the decoder reads no other bit.
    if ((flags & BASE64_ENCODE) || !(flags & BASE64_DECODE)) return false;
    const std::string ansi = WideToMultiByte(text.data(), static_cast<int>(text.size()));
    return Base64DecodeString(ansi, out) != 0;
}

bool TAsn1Coder::ComparePublicKey(HCRYPTPROV provider, DWORD keySpec, const CERT_PUBLIC_KEY_INFO& publicKey) {
    RecordBuffer exported;
    if (!ExportPublicKeyInfo(provider, keySpec, exported)) return false;
    return CertComparePublicKeyInfo(kCertEncoding, const_cast<CERT_PUBLIC_KEY_INFO*>(&exported.as<CERT_PUBLIC_KEY_INFO>()),
                                    const_cast<CERT_PUBLIC_KEY_INFO*>(&publicKey)) != FALSE;
}

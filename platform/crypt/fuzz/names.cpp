// Names: X509_NAME and its Unicode form, single name values, and the
// name texts of CertNameToStr and CertStrToName over the same bytes.
#include <string>

#include "decode_all.h"
#include "win32/crypt_names.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    crypt_fuzz::decodeAll({X509_NAME, X509_UNICODE_NAME, X509_NAME_VALUE, X509_UNICODE_NAME_VALUE}, data, size);
    CERT_NAME_BLOB blob{static_cast<DWORD>(size), const_cast<BYTE*>(data)};
    WCHAR text[256];
    for (DWORD type : {CERT_SIMPLE_NAME_STR, CERT_OID_NAME_STR, CERT_X500_NAME_STR | CERT_NAME_STR_REVERSE_FLAG})
        CertNameToStrW(X509_ASN_ENCODING, &blob, type, text, 256);
    const std::string asText(reinterpret_cast<const char*>(data), size);
    DWORD encoded = 0;
    CertStrToNameA(X509_ASN_ENCODING, asText.c_str(), CERT_X500_NAME_STR, nullptr, nullptr, &encoded, nullptr);
    return 0;
}

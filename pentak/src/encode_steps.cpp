// encode_steps.cpp: encodings of the session's members, each recorded in
// the diagnostic text by the line of its failing call.
#include "encode_steps.h"

#include "common/decoded_object.h"
#include "win32/error.h"
#include "win32/error_codes.h"

namespace {

// The OID alone is cut from an attribute that carries it with this value: an
// OCTET STRING of one zero byte.
constexpr BYTE kPlaceholderValue[] = {0x04, 0x01, 0x00};

}  // namespace

bool EncodeStep(LPCSTR structType, const void* info, std::vector<BYTE>& out, int sizeLine, int dataLine) {
    DWORD size = 0;
    if (!CryptEncodeObject(kCertEncoding, structType, info, nullptr, &size)) return FailedAt(sizeLine);
    std::vector<BYTE> encoded(size);
    if (!CryptEncodeObject(kCertEncoding, structType, info, encoded.data(), &size)) return FailedAt(dataLine);
    encoded.resize(size);
    out = std::move(encoded);
    return true;
}

bool EncodeOctetStringStep(const std::vector<BYTE>& bytes, std::vector<BYTE>& out, int sizeLine, int dataLine) {
    const CRYPT_DATA_BLOB blob{static_cast<DWORD>(bytes.size()), const_cast<BYTE*>(bytes.data())};
    return EncodeStep(X509_OCTET_STRING, &blob, out, sizeLine, dataLine);
}

bool EncodeSequenceStep(const std::vector<std::vector<BYTE>>& elements, std::vector<BYTE>& out, int sizeLine,
                        int dataLine) {
    std::vector<CRYPT_DER_BLOB> blobs;
    for (const auto& element : elements)
        blobs.push_back({static_cast<DWORD>(element.size()), const_cast<BYTE*>(element.data())});
    const CRYPT_SEQUENCE_OF_ANY sequence{static_cast<DWORD>(blobs.size()), blobs.data()};
    return EncodeStep(X509_SEQUENCE_OF_ANY, &sequence, out, sizeLine, dataLine);
}

bool EncodeOidAlone(const std::string& oid, std::vector<BYTE>& out, int& failedLine) {
    CRYPT_ATTR_BLOB value{sizeof kPlaceholderValue, const_cast<BYTE*>(kPlaceholderValue)};
    const CRYPT_ATTRIBUTE attribute{const_cast<char*>(oid.c_str()), 1, &value};
    DWORD size = 0;
    if (!CryptEncodeObject(kCertEncoding, PKCS_ATTRIBUTE, &attribute, nullptr, &size)) {
        failedLine = 3548;
        return false;
    }
    std::vector<BYTE> encoded(size);
    if (!CryptEncodeObject(kCertEncoding, PKCS_ATTRIBUTE, &attribute, encoded.data(), &size)) {
        failedLine = 3550;
        return false;
    }
    const DecodedObject decoded(X509_SEQUENCE_OF_ANY, encoded.data(), size);
    if (!decoded) {
        failedLine = 3555;
        return false;
    }
    const auto& parts = decoded.as<CRYPT_SEQUENCE_OF_ANY>();
    if (parts.cValue != 2) {
        SetLastError(static_cast<DWORD>(CRYPT_E_ASN1_CORRUPT));
        failedLine = 3557;
        return false;
    }
    out.assign(parts.rgValue[0].pbData, parts.rgValue[0].pbData + parts.rgValue[0].cbData);
    return true;
}

bool IsOidArgument(std::string_view oid) {
    std::vector<BYTE> encoded;
    int failedLine = 0;
    if (oid.find('\0') == std::string_view::npos && EncodeOidAlone(std::string(oid), encoded, failedLine))
        return true;
    SetLastError(ERROR_INVALID_PARAMETER);
    return false;
}

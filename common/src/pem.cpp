// pem.cpp: PEM armour of certificates and the Base64 conversions over the
// codec, each asking the codec for the size before the real run.
#include "common/pem.h"

#include "common/base64.h"
#include "common/strings.h"

namespace {

// Decoding: the size query with flags 10, the data with flags 6.
constexpr DWORD kDecodeSizeFlags = 10;
constexpr DWORD kDecodeFlags = 6;

}  // namespace

std::string TAsn1Coder::CertToPem(const std::string& base64) {
    return std::string(kPemCertificateBegin) + "\n" + base64 + kPemCertificateEnd + "\n";
}

std::string PemStripArmour(const std::string& text) {
    std::string stripped = text;
    for (const char* piece : {kPemCertificateBegin, kPemCertificateEnd, "\n", "\r"}) EraseAll(stripped, piece);
    return stripped;
}

DWORD Base64ConvertBuffer(const BYTE* bytes, DWORD length, std::string& out, DWORD flags) {
    DWORD size = 0;
    Base64Codec(flags, bytes, length, nullptr, &size);
    std::vector<BYTE> text(static_cast<std::size_t>(size) + 1, 0);
    DWORD room = size;
    if (!Base64Codec(flags, bytes, length, text.data(), &room) || room == 0) return 0;
    out.assign(reinterpret_cast<const char*>(text.data()));
    return 1;
}

DWORD Base64ConvertToString(const BYTE* bytes, DWORD length, std::string& out) {
    return Base64ConvertBuffer(bytes, length, out, kBase64RecordFlags);
}

DWORD Base64ConvertVector(const std::vector<BYTE>& bytes, std::string& out, DWORD flags) {
    return Base64ConvertBuffer(bytes.data(), static_cast<DWORD>(bytes.size()), out, flags);
}

DWORD Base64DecodeToBytes(const char* text, DWORD length, std::vector<BYTE>& out) {
    const auto* input = reinterpret_cast<const BYTE*>(text);
    DWORD size = 0;
    Base64Codec(kDecodeSizeFlags, input, length, nullptr, &size);
    if (size == 0) return 0;
    std::vector<BYTE> bytes(size);
    if (!Base64Codec(kDecodeFlags, input, length, bytes.data(), &size)) return 0;
    bytes.resize(size);
    out = std::move(bytes);
    return 1;
}

DWORD Base64DecodeString(const std::string& text, std::vector<BYTE>& out) {
    return Base64DecodeToBytes(text.data(), static_cast<DWORD>(text.size()), out);
}

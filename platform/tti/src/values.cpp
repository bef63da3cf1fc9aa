// values.cpp: record fields from and to OpenSSL's ASN.1 values.
#include "values.h"

#include <openssl/objects.h>

#include <algorithm>
#include <cstring>

namespace tti {

void copyText(std::string_view text, char* field, std::size_t fieldSize) {
    if (text.size() >= fieldSize) fail(TTI_E_INTERNAL_BUFFER);
    std::memcpy(field, text.data(), text.size());
    field[text.size()] = '\0';
}

std::string_view fieldText(const char* field, std::size_t fieldSize) {
    const std::size_t length = strnlen(field, fieldSize);
    if (length == fieldSize) fail(TTI_E_PARAMETER);
    return {field, length};
}

std::string oidText(const ASN1_OBJECT* oid) {
    char text[TTI_OID_TEXT_SIZE];
    const int length = OBJ_obj2txt(text, sizeof text, oid, 1);
    if (length <= 0) fail(TTI_E_ASN_RESULT);
    if (static_cast<std::size_t>(length) >= sizeof text) fail(TTI_E_INTERNAL_BUFFER);
    return {text, static_cast<std::size_t>(length)};
}

Asn1Object oidFromText(std::string_view text) {
    // Arcs of digits between single dots, at least two (X.660), the first 0, 1 or 2.
    std::size_t arcs = 0;
    for (std::size_t start = 0; start <= text.size(); ++arcs) {
        const std::size_t end = std::min(text.find('.', start), text.size());
        const std::string_view arc = text.substr(start, end - start);
        if (arc.empty() || arc.find_first_not_of("0123456789") != std::string_view::npos) return nullptr;
        start = end + 1;
    }
    if (arcs < 2 || text[0] > '2' || text[1] != '.') return nullptr;
    return Asn1Object(OBJ_txt2obj(std::string(text).c_str(), 1));
}

void copyInteger(const ASN1_INTEGER* value, TtiInteger& field) {
    const der::Bytes bytes = toDer(value, i2d_ASN1_INTEGER);
    const auto element = der::read(bytes);
    if (!element) fail(TTI_E_ASN_RESULT);
    if (element->content.size() > sizeof field.bytes) fail(TTI_E_INTERNAL_BUFFER);
    std::memcpy(field.bytes, element->content.data(), element->content.size());
    field.length = static_cast<std::uint32_t>(element->content.size());
}

Asn1Integer positiveIntegerFromContent(std::span<const std::uint8_t> content) {
    if (content.empty() || (content[0] & 0x80)) return nullptr;
    const der::Bytes encoded = der::encode(der::kInteger, content);
    const unsigned char* p = encoded.data();
    // OpenSSL refuses the padding DER forbids (a 00 that the next byte does not need).
    return Asn1Integer(d2i_ASN1_INTEGER(nullptr, &p, static_cast<long>(encoded.size())));
}

void copyImprint(const TS_MSG_IMPRINT* imprint, TtiImprint& field) {
    const X509_ALGOR* algorithm = TS_MSG_IMPRINT_get_algo(const_cast<TS_MSG_IMPRINT*>(imprint));
    const ASN1_OBJECT* oid = nullptr;
    X509_ALGOR_get0(&oid, nullptr, nullptr, algorithm);
    copyText(oidText(oid), field.hashAlgOid);
    const ASN1_OCTET_STRING* hash = TS_MSG_IMPRINT_get_msg(const_cast<TS_MSG_IMPRINT*>(imprint));
    if (static_cast<std::size_t>(ASN1_STRING_length(hash)) > sizeof field.hash) fail(TTI_E_INTERNAL_BUFFER);
    std::memcpy(field.hash, ASN1_STRING_get0_data(hash), ASN1_STRING_length(hash));
    field.hashLength = static_cast<std::uint32_t>(ASN1_STRING_length(hash));
}

std::string generalNameText(const GENERAL_NAME* name) {
    Bio bio(BIO_new(BIO_s_mem()));
    if (!bio) throw std::bad_alloc();
    int type = 0;
    void* value = GENERAL_NAME_get0_value(name, &type);
    constexpr unsigned long kFlags =
        XN_FLAG_SEP_CPLUS_SPC | ASN1_STRFLGS_UTF8_CONVERT | ASN1_STRFLGS_ESC_CTRL | ASN1_STRFLGS_ESC_2253;
    const int written = type == GEN_DIRNAME ? X509_NAME_print_ex(bio.get(), static_cast<X509_NAME*>(value), 0, kFlags)
                                            : GENERAL_NAME_print(bio.get(), const_cast<GENERAL_NAME*>(name));
    if (written < 0) fail(TTI_E_ASN_RESULT);
    char* data = nullptr;
    const long length = BIO_get_mem_data(bio.get(), &data);
    return {data, static_cast<std::size_t>(length)};
}

}  // namespace tti

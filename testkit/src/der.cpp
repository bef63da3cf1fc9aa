#include "der.h"

#include <openssl/objects.h>

#include <ctime>
#include <stdexcept>
#include <string>

#include "platform/owned.h"

namespace testkit::der {

Bytes tlv(std::uint8_t tag, const Bytes& content) {
    Bytes out{tag};
    const std::size_t size = content.size();
    if (size < 0x80) {
        out.push_back(static_cast<std::uint8_t>(size));
    } else {
        Bytes length;
        for (std::size_t rest = size; rest; rest >>= 8) length.insert(length.begin(), static_cast<std::uint8_t>(rest));
        out.push_back(static_cast<std::uint8_t>(0x80 | length.size()));
        out.insert(out.end(), length.begin(), length.end());
    }
    out.insert(out.end(), content.begin(), content.end());
    return out;
}

Bytes concat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const auto& part : parts) out.insert(out.end(), part.begin(), part.end());
    return out;
}

Bytes sequence(std::initializer_list<Bytes> parts) { return tlv(kSequence, concat(parts)); }

Bytes sequenceOf(const std::vector<Bytes>& items) {
    Bytes content;
    for (const auto& item : items) content.insert(content.end(), item.begin(), item.end());
    return tlv(kSequence, content);
}

Bytes integer(unsigned value, std::uint8_t tag) {
    Bytes content;
    do {
        content.insert(content.begin(), static_cast<std::uint8_t>(value));
        value >>= 8;
    } while (value);
    if (content.front() & 0x80) content.insert(content.begin(), 0);
    return tlv(tag, content);
}

Bytes oid(std::string_view dotted) {
    const platform::Owned<ASN1_OBJECT, ASN1_OBJECT_free> object(OBJ_txt2obj(std::string(dotted).c_str(), 1));
    if (!object) throw std::invalid_argument("not an OID: " + std::string(dotted));
    const unsigned char* content = OBJ_get0_data(object.get());
    return tlv(kOid, Bytes(content, content + OBJ_length(object.get())));
}

Bytes utf8(std::string_view text) { return tlv(kUtf8String, Bytes(text.begin(), text.end())); }

Bytes generalizedTime(pki::Instant when) {
    const std::time_t seconds = when.time_since_epoch().count();
    std::tm fields{};
    gmtime_r(&seconds, &fields);
    char text[16];
    std::strftime(text, sizeof text, "%Y%m%d%H%M%SZ", &fields);
    return tlv(kGeneralizedTime, Bytes(text, text + 15));
}

namespace {

// The start of the content and its end, within `end`.
std::pair<std::size_t, std::size_t> element(const Bytes& der, std::size_t at, std::size_t end) {
    if (at + 2 > end) throw std::invalid_argument("DER element cut short");
    std::size_t length = der[at + 1];
    std::size_t start = at + 2;
    if (length & 0x80) {
        const std::size_t count = length & 0x7F;
        if (count == 0 || count > sizeof(std::size_t) || start + count > end)
            throw std::invalid_argument("DER length not definite");
        length = 0;
        for (std::size_t i = 0; i < count; ++i) length = (length << 8) | der[start + i];
        start += count;
    }
    if (length > end - start) throw std::invalid_argument("DER element longer than its container");
    return {start, start + length};
}

}  // namespace

std::vector<Bytes> children(const Bytes& der) {
    if (der.empty() || !(der[0] & 0x20)) throw std::invalid_argument("not a constructed DER element");
    const auto [start, end] = element(der, 0, der.size());
    std::vector<Bytes> out;
    for (std::size_t at = start; at < end;) {
        const std::size_t next = element(der, at, end).second;
        out.emplace_back(der.begin() + static_cast<std::ptrdiff_t>(at), der.begin() + static_cast<std::ptrdiff_t>(next));
        at = next;
    }
    return out;
}

}  // namespace testkit::der

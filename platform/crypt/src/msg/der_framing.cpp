#include "msg/der_framing.h"

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "der/ber.h"
#include "win32/crypt_msg.h"

namespace platform::crypt::msg {

namespace {

using der::BerElement;
using der::BerReader;
using der::Bytes;
using der::View;

// An element's new bytes, or nothing when it stays as it came.
using Framed = std::optional<Bytes>;
// What becomes of an element read by the reader given.
using Rule = std::function<Framed(const BerReader&, const BerElement&)>;

Framed asItCame(const BerReader&, const BerElement&) { return std::nullopt; }

// A constructed element with its children framed by the rule; re-encoded
// when its own length is indefinite or a child changed.
Framed reframed(const BerReader& parent, const BerElement& e, const Rule& child) {
    if (!(e.tag & der::kConstructed)) return std::nullopt;
    BerReader children = parent.enter(e);
    std::vector<std::pair<View, Framed>> parts;
    bool changed = e.indefinite;
    while (!children.atEnd()) {
        const BerElement c = children.read();
        Framed framed = child(children, c);
        changed = changed || framed.has_value();
        parts.emplace_back(c.encoded, std::move(framed));
    }
    if (!changed) return std::nullopt;
    Bytes content;
    for (const auto& [original, framed] : parts) der::concat(content, framed ? View(*framed) : original);
    return der::encode(e.tag, content);
}

// A constructed OCTET STRING becomes the primitive one of its octets; other
// content (a primitive string, or PKCS #7 1.5 content of another type) stays.
Framed contentOctets(const BerReader& parent, const BerElement& e) {
    if (e.tag != (der::kOctetString | der::kConstructed)) return std::nullopt;
    return der::octetString(parent.octetsOf(e));
}

Framed explicitContent(const BerReader& parent, const BerElement& e) {
    return e.tag == der::contextConstructed(0) ? reframed(parent, e, contentOctets) : std::nullopt;
}

// Attribute ::= SEQUENCE { type, values SET OF value }
Framed attribute(const BerReader& parent, const BerElement& e) {
    if (e.tag != der::kSequence) return std::nullopt;
    return reframed(parent, e, [](const BerReader& fields, const BerElement& field) {
        return field.tag == der::kSet ? reframed(fields, field, asItCame) : std::nullopt;
    });
}

// The SignerInfo's unsigned attributes ([1]); its signed ones ([0]) stay.
Framed signerInfo(const BerReader& parent, const BerElement& e) {
    if (e.tag != der::kSequence) return std::nullopt;
    return reframed(parent, e, [](const BerReader& fields, const BerElement& field) {
        return field.tag == der::contextConstructed(1) ? reframed(fields, field, attribute) : std::nullopt;
    });
}

// SignedData ::= SEQUENCE { version, digestAlgorithms SET, encapContentInfo,
// [0] certificates, [1] crls, signerInfos SET }
Framed signedData(const BerReader& parent, const BerElement& e) {
    if (e.tag != der::kSequence) return std::nullopt;
    bool digestAlgorithmsRead = false;
    return reframed(parent, e, [&](const BerReader& fields, const BerElement& field) -> Framed {
        switch (field.tag) {
        case der::kSet:
            return reframed(fields, field, std::exchange(digestAlgorithmsRead, true) ? Rule(signerInfo) : asItCame);
        case der::kSequence: return reframed(fields, field, explicitContent);
        case der::contextConstructed(0):
        case der::contextConstructed(1): return reframed(fields, field, asItCame);
        default: return std::nullopt;
        }
    });
}

// ContentInfo ::= SEQUENCE { contentType, content [0] EXPLICIT }; the
// content of a type not decoded here is left alone.
Framed contentInfo(const BerReader& parent, const BerElement& e) {
    if (e.tag != der::kSequence) return std::nullopt;
    Rule content;
    return reframed(parent, e, [&](const BerReader& fields, const BerElement& field) -> Framed {
        if (field.tag == der::kOid) {
            const std::string type = der::oidTextOf(field.content);
            if (type == szOID_RSA_signedData) content = signedData;
            if (type == szOID_RSA_data) content = contentOctets;
            return std::nullopt;
        }
        if (field.tag != der::contextConstructed(0) || !content) return std::nullopt;
        return reframed(fields, field, content);
    });
}

}  // namespace

std::optional<Bytes> derFramingOf(View message) {
    BerReader outer(message);
    return contentInfo(outer, outer.read());
}

}  // namespace platform::crypt::msg

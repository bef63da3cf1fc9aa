#include "msg/unsigned_attributes.h"

#include <functional>

#include "msg/splice.h"
#include "platform/win_error.h"
#include "win32/crypt_msg.h"

namespace platform::crypt::msg {

namespace {

using Edit = std::function<void(std::vector<View>&)>;

const SignerInfo& signerAt(const MessageParts& parts, DWORD index) {
    if (parts.type != CMSG_SIGNED) throw WinError(CRYPT_E_INVALID_MSG_TYPE, "not a signed message");
    if (index >= parts.signers.size()) throw WinError(CRYPT_E_INVALID_INDEX, "no such signer");
    return parts.signers[index];
}

std::vector<View> attributesOf(const SignerInfo& signer) {
    std::vector<View> attributes;
    if (!signer.unsignedAttributes) return attributes;
    der::Reader r(signer.unsignedAttributes->content);
    while (!r.atEnd()) attributes.push_back(r.read().encoded);
    return attributes;
}

// The SignerInfo's content up to its unsigned attributes, then the new ones
// ([1] IMPLICIT, left out when there are none).
Bytes withUnsignedAttributes(const MessageParts& parts, DWORD index, const Edit& edit) {
    const SignerInfo& signer = signerAt(parts, index);
    std::vector<View> attributes = attributesOf(signer);
    edit(attributes);
    const View content = der::readOuter(signer.encoded).content;
    const std::size_t kept = signer.unsignedAttributes
                                 ? static_cast<std::size_t>(signer.unsignedAttributes->encoded.data() - content.data())
                                 : content.size();
    Bytes signerContent(content.begin(), content.begin() + static_cast<std::ptrdiff_t>(kept));
    if (!attributes.empty()) {
        Bytes set;
        for (const View a : attributes) der::concat(set, a);
        der::append(signerContent, der::contextConstructed(1), set);
    }
    return replaceNested(parts.encoded, signer.encoded, der::encode(der::kSequence, signerContent));
}

}  // namespace

Bytes withUnsignedAttributeAdded(const MessageParts& parts, DWORD signer, View attribute) {
    const View element = der::raw(attribute);
    return withUnsignedAttributes(parts, signer, [&](std::vector<View>& list) { list.push_back(element); });
}

Bytes withUnsignedAttributeDeleted(const MessageParts& parts, DWORD signer, DWORD index) {
    return withUnsignedAttributes(parts, signer, [&](std::vector<View>& list) {
        if (index >= list.size()) throw WinError(CRYPT_E_INVALID_INDEX, "no such unsigned attribute");
        list.erase(list.begin() + index);
    });
}

}  // namespace platform::crypt::msg

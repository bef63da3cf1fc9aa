// cms_sign_encoding.cpp: DER pieces of the signed attributes through
// CryptEncodeObject.
#include "cms_sign_parts.h"
#include "common/decoded_object.h"

namespace cms_sign {

bool Encode(LPCSTR structType, const void* info, Bytes& out) {
    DWORD size = 0;
    if (!CryptEncodeObject(kCertEncoding, structType, info, nullptr, &size)) return false;
    Bytes encoded(size);
    if (!CryptEncodeObject(kCertEncoding, structType, info, encoded.data(), &size)) return false;
    encoded.resize(size);
    out = std::move(encoded);
    return true;
}

SequenceOfAny::SequenceOfAny(std::vector<Bytes> elements) : m_elements(std::move(elements)) {
    for (Bytes& element : m_elements) m_blobs.push_back({static_cast<DWORD>(element.size()), element.data()});
    m_sequence = {static_cast<DWORD>(m_blobs.size()), m_blobs.data()};
}

bool EncodeSequence(std::vector<Bytes> elements, Bytes& out) {
    const SequenceOfAny sequence(std::move(elements));
    return Encode(X509_SEQUENCE_OF_ANY, sequence.get(), out);
}

}  // namespace cms_sign

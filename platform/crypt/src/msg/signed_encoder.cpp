#include "msg/signed_encoder.h"

#include <algorithm>

#include "encode/codec.h"

namespace platform::crypt::msg {

namespace {

const CMSG_SIGNED_ENCODE_INFO& checked(const CMSG_SIGNED_ENCODE_INFO& info) {
    if (info.cbSize != sizeof info) throw WinError(E_INVALIDARG, "CMSG_SIGNED_ENCODE_INFO size");
    return info;
}

std::vector<Bytes> elementsOf(std::span<const CRYPTOAPI_BLOB> blobs) {
    std::vector<Bytes> elements;
    for (const CRYPTOAPI_BLOB& blob : blobs) {
        const View element = der::raw(view(blob));
        elements.emplace_back(element.begin(), element.end());
    }
    return elements;
}

// The elements as they stand, in their order, inside one tag.
Bytes list(BYTE tag, const std::vector<Bytes>& elements) {
    Bytes content;
    for (const Bytes& e : elements) der::concat(content, e);
    return der::encode(tag, content);
}

// The same, or nothing for an OPTIONAL field without elements.
Bytes optionalList(BYTE tag, const std::vector<Bytes>& elements) {
    return elements.empty() ? Bytes{} : list(tag, elements);
}

std::size_t headerSize(std::size_t length) {
    Bytes header;
    der::appendHeader(header, 0, length);
    return header.size();
}

}  // namespace

SignedEncoder::SignedEncoder(const CMSG_SIGNED_ENCODE_INFO& info, bool detached)
    : m_certificates(elementsOf(items(checked(info).rgCertEncoded, info.cCertEncoded))),
      m_crls(elementsOf(items(info.rgCrlEncoded, info.cCrlEncoded))),
      m_detached(detached) {
    for (const CMSG_SIGNER_ENCODE_INFO& signer : items(info.rgSigners, info.cSigners))
        m_signers.push_back(std::make_unique<SignerEncoder>(signer));
}

void SignedEncoder::update(View data) {
    for (const auto& signer : m_signers) signer->update(data);
    if (!m_detached) m_content.insert(m_content.end(), data.begin(), data.end());
}

Bytes SignedEncoder::finish() {
    const Frame f = frame(false);
    Bytes out;
    out.reserve(f.before.size() + m_content.size() + f.after.size());
    der::concat(out, f.before);
    der::concat(out, m_content);
    der::concat(out, f.after);
    return out;
}

std::size_t SignedEncoder::measure() {
    const Frame f = frame(true);
    return f.before.size() + m_content.size() + f.after.size();
}

// The content is the bulk of the message, so it is never copied into the
// structures around it: their headers are worked out from the lengths.
SignedEncoder::Frame SignedEncoder::frame(bool placeholderSignatures) {
    std::vector<Bytes> digestAlgorithms;
    std::vector<Bytes> signerInfos;
    for (const auto& signer : m_signers) {
        if (std::find(digestAlgorithms.begin(), digestAlgorithms.end(), signer->digestAlgorithm()) ==
            digestAlgorithms.end())
            digestAlgorithms.push_back(signer->digestAlgorithm());
        signerInfos.push_back(signer->encode(placeholderSignatures));
    }
    Bytes head = der::integer(1);  // version
    der::concat(head, list(der::kSet, digestAlgorithms));
    Frame f;
    f.after = optionalList(der::contextConstructed(0), m_certificates);
    der::concat(f.after, optionalList(der::contextConstructed(1), m_crls));
    der::concat(f.after, list(der::kSet, signerInfos));

    const Bytes dataOid = der::oid(szOID_RSA_data);
    const std::size_t n = m_content.size();
    const std::size_t explicitContent = m_detached ? 0 : headerSize(n) + n;
    const std::size_t encapsulated = dataOid.size() + (m_detached ? 0 : headerSize(explicitContent) + explicitContent);
    const std::size_t signedData = head.size() + headerSize(encapsulated) + encapsulated + f.after.size();
    const Bytes typeOid = der::oid(szOID_RSA_signedData);
    const std::size_t explicitSigned = headerSize(signedData) + signedData;
    const std::size_t contentInfo = typeOid.size() + headerSize(explicitSigned) + explicitSigned;

    der::appendHeader(f.before, der::kSequence, contentInfo);
    der::concat(f.before, typeOid);
    der::appendHeader(f.before, der::contextConstructed(0), explicitSigned);
    der::appendHeader(f.before, der::kSequence, signedData);
    der::concat(f.before, head);
    der::appendHeader(f.before, der::kSequence, encapsulated);
    der::concat(f.before, dataOid);
    if (!m_detached) {
        der::appendHeader(f.before, der::contextConstructed(0), explicitContent);
        der::appendHeader(f.before, der::kOctetString, n);
    }
    return f;
}

}  // namespace platform::crypt::msg

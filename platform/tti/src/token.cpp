// token.cpp: reading a token and taking it apart.
#include "token.h"

#include <openssl/objects.h>

#include <algorithm>

#include "failure.h"

namespace tti {

namespace {

constexpr std::uint8_t kCertificateSet = der::contextTag(0);
constexpr std::uint8_t kV1AttributeCertificate = der::contextTag(1);
constexpr std::uint8_t kV2AttributeCertificate = der::contextTag(2);

std::vector<der::Element> childrenOf(const der::Element& element) {
    auto parts = der::children(element);
    if (!parts) fail(TTI_E_NOT_A_TOKEN);
    return *parts;
}

}  // namespace

SplitToken splitAttributeCertificates(std::span<const std::uint8_t> token) {
    // ContentInfo ::= SEQUENCE { contentType, [0] EXPLICIT SignedData }
    const auto contentInfo = der::read(token);
    if (!contentInfo || contentInfo->tag != der::kSequence || contentInfo->whole.size() != token.size())
        fail(TTI_E_NOT_A_TOKEN);
    const auto outer = childrenOf(*contentInfo);
    if (outer.size() != 2 || outer[0].tag != der::kOid || outer[1].tag != der::contextTag(0)) fail(TTI_E_NOT_A_TOKEN);
    const auto explicitContent = childrenOf(outer[1]);
    if (explicitContent.size() != 1 || explicitContent[0].tag != der::kSequence) fail(TTI_E_NOT_A_TOKEN);

    // SignedData ::= SEQUENCE { version, digestAlgorithms, encapContentInfo,
    //   certificates [0] IMPLICIT CertificateSet OPTIONAL, crls [1] OPTIONAL, signerInfos }
    auto signedData = childrenOf(explicitContent[0]);
    SplitToken split;
    der::Bytes keptCertificates;
    auto set =
        std::find_if(signedData.begin(), signedData.end(), [](const auto& e) { return e.tag == kCertificateSet; });
    if (set != signedData.end()) {
        for (const auto& choice : childrenOf(*set)) {
            if (choice.tag == kV1AttributeCertificate || choice.tag == kV2AttributeCertificate) {
                // The choice's implicit tag stands for the AttributeCertificate's SEQUENCE.
                split.attributeCertificates.push_back(der::encode(der::kSequence, choice.content));
            } else {
                keptCertificates.insert(keptCertificates.end(), choice.whole.begin(), choice.whole.end());
            }
        }
    }
    if (split.attributeCertificates.empty()) {
        split.token.assign(token.begin(), token.end());
        return split;
    }

    der::Bytes signedContent;
    for (const auto& part : signedData) {
        const der::Bytes rebuilt = &part == &*set ? der::encode(kCertificateSet, keptCertificates)
                                                  : der::Bytes(part.whole.begin(), part.whole.end());
        signedContent.insert(signedContent.end(), rebuilt.begin(), rebuilt.end());
    }
    const der::Bytes explicitSignedData = der::encode(der::contextTag(0), der::encode(der::kSequence, signedContent));
    der::Bytes contentInfoContent(outer[0].whole.begin(), outer[0].whole.end());
    contentInfoContent.insert(contentInfoContent.end(), explicitSignedData.begin(), explicitSignedData.end());
    split.token = der::encode(der::kSequence, contentInfoContent);
    return split;
}

Pkcs7 decodeToken(std::span<const std::uint8_t> token) {
    const der::Bytes plain = splitAttributeCertificates(token).token;
    const unsigned char* p = plain.data();
    Pkcs7 pkcs7(d2i_PKCS7(nullptr, &p, static_cast<long>(plain.size())));
    if (!pkcs7 || !PKCS7_type_is_signed(pkcs7.get()) || !pkcs7->d.sign || !pkcs7->d.sign->contents)
        fail(TTI_E_NOT_A_TOKEN);
    if (OBJ_obj2nid(pkcs7->d.sign->contents->type) != NID_id_smime_ct_TSTInfo) fail(TTI_E_NOT_A_TOKEN);
    return pkcs7;
}

TstInfo decodeTstInfo(PKCS7* token) {
    TstInfo info(PKCS7_to_TS_TST_INFO(token));
    if (!info) fail(TTI_E_NOT_A_TOKEN);
    return info;
}

}  // namespace tti

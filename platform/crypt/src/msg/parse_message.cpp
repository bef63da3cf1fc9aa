// ContentInfo, SignedData and SignerInfo read into views. Everything a later
// query reads is checked here, so a message that decodes answers every query.
#include "msg/message_parts.h"
#include "platform/win_error.h"
#include "store/signed_data.h"
#include "win32/crypt_msg.h"

namespace platform::crypt::msg {

namespace {

// AlgorithmIdentifier ::= SEQUENCE { OID, parameters ANY OPTIONAL }; the OID text.
std::string checkedAlgorithm(const der::Element& e) {
    if (e.tag != der::kSequence) throw WinError(CRYPT_E_ASN1_BADTAG, "AlgorithmIdentifier expected");
    der::Reader r(e.content);
    std::string oid = der::oidTextOf(r.read(der::kOid).content);
    if (!r.atEnd()) r.read();
    r.finish();
    return oid;
}

// SET OF Attribute, each SEQUENCE { OID, SET OF value }.
void checkAttributes(const der::Element& set) {
    der::Reader attributes(set.content);
    while (!attributes.atEnd()) {
        der::Reader attribute = attributes.enter(der::kSequence);
        der::oidTextOf(attribute.read(der::kOid).content);
        attribute.read(der::kSet);
        attribute.finish();
    }
}

void readSignerId(der::Reader& r, SignerInfo& signer) {
    if (r.nextIs(der::contextTag(0))) {
        signer.keyId = r.read().content;
        return;
    }
    der::Reader issuerAndSerial = r.enter(der::kSequence);
    signer.issuer = issuerAndSerial.read(der::kSequence).encoded;
    signer.serialNumber = issuerAndSerial.read(der::kInteger);
    if (signer.serialNumber.content.empty()) throw WinError(CRYPT_E_ASN1_CORRUPT, "empty serial number");
    issuerAndSerial.finish();
}

SignerInfo readSigner(const der::Element& e) {
    if (e.tag != der::kSequence) throw WinError(CRYPT_E_ASN1_BADTAG, "SignerInfo expected");
    SignerInfo signer;
    signer.encoded = e.encoded;
    der::Reader r(e.content);
    signer.version = static_cast<DWORD>(der::int32Of(r.read(der::kInteger).content));
    readSignerId(r, signer);
    signer.digestAlgorithm = r.read(der::kSequence);
    signer.digestOid = checkedAlgorithm(signer.digestAlgorithm);
    signer.signedAttributes = r.readIf(der::contextConstructed(0));
    if (signer.signedAttributes) checkAttributes(*signer.signedAttributes);
    signer.signatureAlgorithm = r.read(der::kSequence);
    checkedAlgorithm(signer.signatureAlgorithm);
    signer.signature = r.read(der::kOctetString).content;
    signer.unsignedAttributes = r.readIf(der::contextConstructed(1));
    if (signer.unsignedAttributes) checkAttributes(*signer.unsignedAttributes);
    r.finish();
    return signer;
}

// EncapsulatedContentInfo ::= SEQUENCE { eContentType, eContent [0] EXPLICIT OPTIONAL }.
void readEncapsulatedContent(der::Reader encapsulated, MessageParts& parts) {
    parts.innerContentType = der::oidTextOf(encapsulated.read(der::kOid).content);
    if (const auto explicitContent = encapsulated.readIf(der::contextConstructed(0))) {
        der::Reader inner = encapsulated.enter(*explicitContent);
        const der::Element content = inner.read();
        inner.finish();
        if (content.tag == (der::kOctetString | der::kConstructed))
            throw WinError(CRYPT_E_ASN1_CORRUPT, "constructed OCTET STRING not in DER framing");
        parts.hashedContent = content.content;
        parts.content = content.tag == der::kOctetString ? content.content : content.encoded;
    }
    encapsulated.finish();
}

void readSignedData(der::Reader signedData, MessageParts& parts) {
    der::int32Of(signedData.read(der::kInteger).content);
    der::Reader digestAlgorithms = signedData.enter(der::kSet);
    while (!digestAlgorithms.atEnd()) checkedAlgorithm(digestAlgorithms.read());
    readEncapsulatedContent(signedData.enter(der::kSequence), parts);
    signedData.readIf(der::contextConstructed(0));
    signedData.readIf(der::contextConstructed(1));
    der::Reader signerInfos = signedData.enter(der::kSet);
    signedData.finish();
    while (!signerInfos.atEnd()) parts.signers.push_back(readSigner(signerInfos.read()));
    store::SignedDataContents carried = store::contentsOfSignedData(parts.encoded);
    parts.certificates = std::move(carried.certificates);
    parts.crls = std::move(carried.crls);
}

}  // namespace

MessageParts parseMessage(View encoded) {
    if (encoded.empty()) throw WinError(CRYPT_E_ASN1_EOD, "no message");
    MessageParts parts;
    const der::Element outer = der::readOuter(encoded, der::kSequence);
    parts.encoded = outer.encoded;
    der::Reader contentInfo(outer.content);
    const std::string type = der::oidTextOf(contentInfo.read(der::kOid).content);
    der::Reader content = contentInfo.enter(der::contextConstructed(0));
    contentInfo.finish();
    if (type == szOID_RSA_data) {
        parts.type = CMSG_DATA;
        const der::Element octets = content.read(der::kOctetString);
        parts.content = octets.content;
        parts.hashedContent = octets.content;
    } else if (type == szOID_RSA_signedData) {
        parts.type = CMSG_SIGNED;
        readSignedData(content.enter(der::kSequence), parts);
    } else {
        throw WinError(CRYPT_E_INVALID_MSG_TYPE, "content type " + type + " is not decoded here");
    }
    content.finish();
    return parts;
}

}  // namespace platform::crypt::msg

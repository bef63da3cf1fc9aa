#include "store/signed_data.h"

#include "der/der.h"
#include "platform/win_error.h"

namespace platform::crypt::store {

namespace {

std::vector<View> sequencesIn(der::Reader& set) {
    std::vector<View> found;
    while (!set.atEnd()) {
        const der::Element e = set.read();
        if (e.tag == der::kSequence) found.push_back(e.encoded);
    }
    return found;
}

}  // namespace

SignedDataContents contentsOfSignedData(View message) {
    if (message.empty()) throw WinError(CRYPT_E_ASN1_EOD, "no message");
    der::Reader contentInfo(der::readOuter(message, der::kSequence).content);
    if (der::oidTextOf(contentInfo.read(der::kOid).content) != szOID_RSA_signedData)
        throw WinError(CRYPT_E_INVALID_MSG_TYPE, "not a SignedData");
    der::Reader content = contentInfo.enter(der::contextConstructed(0));
    der::Reader signedData = content.enter(der::kSequence);
    signedData.read(der::kInteger);
    signedData.read(der::kSet);
    signedData.read(der::kSequence);
    SignedDataContents contents;
    if (signedData.nextIs(der::contextConstructed(0))) {
        der::Reader certificates = signedData.enter(der::contextConstructed(0));
        contents.certificates = sequencesIn(certificates);
    }
    if (signedData.nextIs(der::contextConstructed(1))) {
        der::Reader crls = signedData.enter(der::contextConstructed(1));
        contents.crls = sequencesIn(crls);
    }
    signedData.read(der::kSet);
    return contents;
}

}  // namespace platform::crypt::store

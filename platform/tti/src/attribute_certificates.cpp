// attribute_certificates.cpp: the attribute certificates a token may carry
// beside its X.509 certificates (CMS CertificateChoices [1] and [2]); the
// first of them is the token's time attribute certificate (TAC), read as an
// RFC 5755 attribute certificate (or its obsolete version 1 form).
#include <cstring>
#include <optional>
#include <string>

#include "buffers.h"
#include "der.h"
#include "failure.h"
#include "ossl.h"
#include "token.h"
#include "values.h"

namespace tti {

namespace {

struct TacFrame {
    std::uint32_t version = 0;  // absent in the version 1 form
    der::Element serial;
    der::Element notBefore, notAfter;
    std::optional<der::Element> issuerNames;  // GeneralNames
};

std::vector<der::Element> partsOf(const der::Element& element) {
    auto parts = der::children(element);
    if (!parts) fail(TTI_E_NO_TAC);
    return *parts;
}

// AttributeCertificate ::= SEQUENCE { acinfo, signatureAlgorithm, signatureValue }
// acinfo ::= SEQUENCE { version, holder, issuer, signature, serialNumber,
//   attrCertValidityPeriod SEQUENCE { notBefore, notAfter GeneralizedTime }, attributes, ... }
TacFrame readFrame(std::span<const std::uint8_t> tac) {
    const auto outer = der::read(tac);
    if (!outer || outer->tag != der::kSequence || outer->whole.size() != tac.size()) fail(TTI_E_NO_TAC);
    const auto certificate = partsOf(*outer);
    if (certificate.size() != 3 || certificate[0].tag != der::kSequence) fail(TTI_E_NO_TAC);
    const auto info = partsOf(certificate[0]);

    TacFrame frame;
    std::size_t next = 0;
    if (!info.empty() && info[0].tag == der::kInteger) {
        if (info[0].content.size() != 1) fail(TTI_E_NO_TAC);
        frame.version = info[0].content[0];
        ++next;
    }
    ++next;  // holder, or the subject of the version 1 form
    if (info.size() < next + 5) fail(TTI_E_NO_TAC);
    const der::Element& issuer = info[next];
    if (issuer.tag == der::kSequence) {
        frame.issuerNames = issuer;  // v1Form: GeneralNames
    } else if (issuer.tag == der::contextTag(0)) {
        const auto v2Form = partsOf(issuer);  // V2Form ::= SEQUENCE { issuerName GeneralNames OPTIONAL, ... }
        if (!v2Form.empty() && v2Form[0].tag == der::kSequence) frame.issuerNames = v2Form[0];
    } else {
        fail(TTI_E_NO_TAC);
    }
    frame.serial = info[next + 2];
    const auto validity = partsOf(info[next + 3]);
    if (frame.serial.tag != der::kInteger || info[next + 3].tag != der::kSequence || validity.size() != 2 ||
        validity[0].tag != der::kGeneralizedTime || validity[1].tag != der::kGeneralizedTime)
        fail(TTI_E_NO_TAC);
    frame.notBefore = validity[0];
    frame.notAfter = validity[1];
    return frame;
}

std::string_view text(const der::Element& element) {
    return {reinterpret_cast<const char*>(element.content.data()), element.content.size()};
}

std::string firstDirectoryName(const der::Element& names) {
    const unsigned char* p = names.whole.data();
    const GeneralNames decoded(d2i_GENERAL_NAMES(nullptr, &p, static_cast<long>(names.whole.size())));
    if (!decoded) fail(TTI_E_NO_TAC);
    for (int i = 0; i < sk_GENERAL_NAME_num(decoded.get()); ++i)
        if (const GENERAL_NAME* name = sk_GENERAL_NAME_value(decoded.get(), i); name->type == GEN_DIRNAME)
            return generalNameText(name);
    return {};
}

// The timing attributes' types come from a standard this library was not
// written from, so it can say only whether it was given a TAC.
int timingAttribute(std::uint32_t* outLength, const std::uint8_t* tac, std::uint32_t length) {
    if (!outLength) return TTI_E_PARAMETER;
    readFrame(input(tac, length));
    return TTI_E_NOT_SUPPORTED;
}

}  // namespace

}  // namespace tti

TTI_API int TTI_GetTST_TimeAttributeCert(std::uint8_t* tac, std::uint32_t* tacLength, const std::uint8_t* token,
                                         std::uint32_t length) {
    return tti::guarded([&] {
        const auto split = tti::splitAttributeCertificates(tti::input(token, length));
        if (split.attributeCertificates.empty()) return int{TTI_E_NO_TAC};
        return tti::copyOut(split.attributeCertificates.front(), tac, tacLength);
    });
}

TTI_API int TTI_RemoveAttrCerts(std::uint8_t* out, std::uint32_t* outLength, const std::uint8_t* token,
                                std::uint32_t length) {
    return tti::guarded(
        [&] { return tti::copyOut(tti::splitAttributeCertificates(tti::input(token, length)).token, out, outLength); });
}

TTI_API int TTI_GetTAC_CertInfoEx(TtiTacInfo* info, const std::uint8_t* tac, std::uint32_t length) {
    return tti::guarded([&] {
        if (!info || info->size != sizeof(TtiTacInfo)) return int{TTI_E_PARAMETER};
        const tti::TacFrame frame = tti::readFrame(tti::input(tac, length));
        TtiTacInfo record{};
        record.size = sizeof record;
        record.version = frame.version;
        if (frame.serial.content.size() > sizeof record.serial.bytes) return int{TTI_E_INTERNAL_BUFFER};
        std::memcpy(record.serial.bytes, frame.serial.content.data(), frame.serial.content.size());
        record.serial.length = static_cast<std::uint32_t>(frame.serial.content.size());
        tti::copyText(tti::text(frame.notBefore), record.notBefore);
        tti::copyText(tti::text(frame.notAfter), record.notAfter);
        if (frame.issuerNames) tti::copyText(tti::firstDirectoryName(*frame.issuerNames), record.issuer);
        *info = record;
        return int{TTI_OK};
    });
}

TTI_API int TTI_GetTAC_TimingMetrics(std::uint8_t*, std::uint32_t* outLength, const std::uint8_t* tac,
                                     std::uint32_t length) {
    return tti::guarded([&] { return tti::timingAttribute(outLength, tac, length); });
}

TTI_API int TTI_GetTAC_TimingPolicy(std::uint8_t*, std::uint32_t* outLength, const std::uint8_t* tac,
                                    std::uint32_t length) {
    return tti::guarded([&] { return tti::timingAttribute(outLength, tac, length); });
}

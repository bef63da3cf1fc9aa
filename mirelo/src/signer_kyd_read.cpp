// Loading the signatures of a container and reading them: each reader
// first makes the signature that SignatureIndex selects the signer's
// message, then asks TSigner's reader of the same name.
#include <utility>

#include "common/log.h"
#include "common/resource.h"
#include "kyd/file_kyd.h"
#include "signer_errors.h"
#include "signer_kyd.h"
#include "signer_values.h"

namespace {

std::string MessageText(LONG number) {
    std::string text;
    TResource::Instance()->FormatMessage(text, number);
    return text;
}

}  // namespace

bool TSignerKyd::Pkcs7LoadFromFile(const std::string& kydFile) {
    SIGNER_TRACE();
    Log(sgLogLevelDebug, "fname_in     : " + kydFile);
    // What an earlier load left goes first, so a load that fails leaves
    // nothing of another container to read.
    m_loadedSignatures.clear();
    Pkcs7().Close();
    ClearSignatureResults();
    if (kydFile.empty()) return Record(kErrBadValue);
    TFileKyd container;
    if (const int error = container.Open(kydFile, TFileKyd::openReadOnly)) return Record(error);
    const int count = container.GetSignatureCount();
    if (count == 0) {
        container.Close(true);
        return Record(kydNoSignature);
    }
    std::vector<std::vector<BYTE>> signatures;
    std::vector<SignatureResult> results;
    for (int n = 0; n < count; ++n) {
        std::vector<BYTE> bytes;
        SignatureResult result;
        LONG number = container.ReadSignature(n, bytes);
        if (number == 0) number = container.GetSignatureEntryName(n, result.name);
        if (number == 0) number = static_cast<LONG>(TPkcs7().Open(bytes));
        if (number != 0) bytes.clear();
        result.errorNumber = number;
        result.errorText = MessageText(number);
        signatures.push_back(std::move(bytes));
        results.push_back(std::move(result));
    }
    container.Close(false);
    m_loadedSignatures = std::move(signatures);
    for (auto& result : results) AppendSignatureResult(std::move(result));
    return Record(0);
}

bool TSignerKyd::Pkcs7Clear() {
    m_loadedSignatures.clear();
    return TSigner::Pkcs7Clear();
}

bool TSignerKyd::SelectLoadedSignature() {
    const auto index = static_cast<std::size_t>(GetSignatureIndex());
    if (index >= m_loadedSignatures.size() || m_loadedSignatures[index].empty())
        return Record(kErrNoOriginalSigner);
    // The signature still open from the last reader is read on, not decoded
    // again: a reader asked for each signer in turn reads the message once.
    // Message handles are never reused, so one closed or opened since is
    // never taken for it.
    const HCRYPTMSG open = Pkcs7().GetMessageHandle();
    if (open && m_selectedSignature && m_selectedSignature->index == index && m_selectedSignature->message == open)
        return Record(0);
    m_selectedSignature.reset();
    const DWORD number = Pkcs7().Open(m_loadedSignatures[index]);
    if (number == 0) m_selectedSignature = SelectedSignature{index, Pkcs7().GetMessageHandle()};
    return Record(static_cast<LONG>(number));
}

bool TSignerKyd::Pkcs7GetSignerCount(LONG& count) {
    SIGNER_TRACE();
    return SelectLoadedSignature() && TSigner::Pkcs7GetSignerCount(count);
}

bool TSignerKyd::Pkcs7GetSignerCert(LONG index, std::string& pem) {
    SIGNER_TRACE();
    Log(sgLogLevelDebug, "index: " + std::to_string(index));
    if (!SelectLoadedSignature()) return false;
    CertInfo certificate;
    if (const DWORD number = Pkcs7().GetSignerCertificate(static_cast<DWORD>(index), certificate, nullptr))
        return Record(static_cast<LONG>(number));
    if (certificate.pem.empty()) return Record(kErrCertificateNotFound);
    pem = certificate.pem;
    return Record(0);
}

bool TSignerKyd::Pkcs7GetSignerCertValue(LONG index, LONG selector, std::string& value) {
    SIGNER_TRACE();
    Log(sgLogLevelDebug, "index: " + std::to_string(index));
    Log(sgLogLevelDebug, "val_type : " + std::to_string(selector));
    if (!SelectLoadedSignature()) return false;
    CertInfo certificate;
    if (const DWORD number = Pkcs7().GetSignerCertificate(static_cast<DWORD>(index), certificate, nullptr))
        return Record(static_cast<LONG>(number));
    // A signer whose certificate is nowhere has no values to give.
    if (certificate.pem.empty()) return Record(kErrCertificateNotFound);
    return Record(FormatCertificateValue(certificate, selector, value));
}

bool TSignerKyd::Pkcs7GetSignerSigningTime(LONG index, DATE& date) {
    SIGNER_TRACE();
    return SelectLoadedSignature() && TSigner::Pkcs7GetSignerSigningTime(index, date);
}

bool TSignerKyd::Pkcs7GetSignerSigningTimeLocal(LONG index, DATE& date) {
    SIGNER_TRACE();
    return SelectLoadedSignature() && TSigner::Pkcs7GetSignerSigningTimeLocal(index, date);
}

bool TSignerKyd::Pkcs7GetSignerHashAlgorithmStr(LONG index, std::string& name) {
    SIGNER_TRACE();
    return SelectLoadedSignature() && TSigner::Pkcs7GetSignerHashAlgorithmStr(index, name);
}

bool TSignerKyd::Pkcs7GetSignerAlgorithmStr(LONG index, std::string& name) {
    SIGNER_TRACE();
    return SelectLoadedSignature() && TSigner::Pkcs7GetSignerAlgorithmStr(index, name);
}

bool TSignerKyd::Pkcs7GetSignerTimeStampValue(LONG index, LONG selector, std::string& out) {
    SIGNER_TRACE();
    return SelectLoadedSignature() && TSigner::Pkcs7GetSignerTimeStampValue(index, selector, out);
}

bool TSignerKyd::Pkcs7GetSignerPolicyIdValue(LONG index, LONG selector, std::string& out) {
    SIGNER_TRACE();
    return SelectLoadedSignature() && TSigner::Pkcs7GetSignerPolicyIdValue(index, selector, out);
}

bool TSignerKyd::GetSignatureFile(std::string& name) {
    SIGNER_TRACE();
    const SignatureResult* selected = SelectedSignatureResult();
    if (!selected) return Record(kErrNoOriginalSigner);
    name = selected->name;
    return Record(0);
}

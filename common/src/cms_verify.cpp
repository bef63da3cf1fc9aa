// cms_verify.cpp: a signed message verified signer by signer, each signer
// checked as the flags ask, with one result for the message and one for
// each signer.
#include "common/cms_verify.h"
#include "cms_verify_parts.h"
#include "common/log.h"
#include "common/system_error.h"
#include "common/decoded_object.h"
#include "common/owned_context.h"
#include "pkcs7_query.h"
#include "win32/crypt_provider.h"
#include "win32/error.h"

using namespace cms_verify;

namespace {

const std::vector<BYTE> kNoContent;

// A provider acquired for the verification alone.
class AcquiredProvider {
public:
    explicit AcquiredProvider(HCRYPTPROV handle) : m_handle(handle) {}
    ~AcquiredProvider() {
        if (m_handle) CryptReleaseContext(m_handle, 0);
    }
    AcquiredProvider(const AcquiredProvider&) = delete;
    AcquiredProvider& operator=(const AcquiredProvider&) = delete;
    HCRYPTPROV get() const noexcept { return m_handle; }

private:
    HCRYPTPROV m_handle;
};

// When the reader had to choose a provider of its own to decode the
// message (one that knows its digest), the signatures are verified with
// that provider too; 0 when it chose none or it cannot be acquired.
HCRYPTPROV AcquireReadersChoice(const TPkcs7& reader) {
    TCryptProvider chosen;
    if (!reader.GetProvider(chosen)) return 0;
    const std::string described = chosen.GetName() + ":" + std::to_string(chosen.GetType());
    TLogStrVect::Instance()->Print(sgLogLevelMsgs, "TCryptoapi::VerifyMessage: using '%s'", described.c_str());
    HCRYPTPROV handle = 0;
    if (!CryptAcquireContextA(&handle, nullptr, chosen.GetName().c_str(), chosen.GetType(), CRYPT_VERIFYCONTEXT))
        return 0;
    return handle;
}

DWORD OpenFailed(DWORD result) {
    TLogStrVect::Instance()->PrintStr(sgLogLevelErrs, "VerifyMessage():pkcs7:" + GetSystemErrorText());
    return result;
}

// The number of the failure the last error tells, logged.
DWORD VerificationFailed() {
    const DWORD result = SignatureError(GetLastError());
    TLogStrVect::Instance()->PrintStr(sgLogLevelErrs, "VerifyMessage(): " + GetSystemErrorText());
    return result;
}

bool VerifySignature(CRYPT_VERIFY_MESSAGE_PARA& para, DWORD n, const std::vector<BYTE>& message,
                     const std::vector<BYTE>* content, PCCERT_CONTEXT* signer) {
    const auto size = static_cast<DWORD>(message.size());
    if (!content) return CryptVerifyMessageSignature(&para, n, message.data(), size, nullptr, nullptr, signer);
    const BYTE* blocks[] = {content->data()};
    DWORD blockSizes[] = {static_cast<DWORD>(content->size())};
    return CryptVerifyDetachedMessageSignature(&para, n, message.data(), size, 1, blocks, blockSizes, signer);
}

// The content of an attached message as the first signer's verification
// gives it.
bool FetchContent(CRYPT_VERIFY_MESSAGE_PARA& para, const std::vector<BYTE>& message, std::vector<BYTE>& out) {
    const auto size = static_cast<DWORD>(message.size());
    DWORD contentSize = 0;
    if (!CryptVerifyMessageSignature(&para, 0, message.data(), size, nullptr, &contentSize, nullptr)) return false;
    std::vector<BYTE> content(contentSize);
    if (!CryptVerifyMessageSignature(&para, 0, message.data(), size, content.data(), &contentSize, nullptr))
        return false;
    content.resize(contentSize);
    out = std::move(content);
    return true;
}

}  // namespace

DWORD TCryptoapi::VerifyMessage(HCERTSTORE extraStore, const std::vector<BYTE>& message,
                                const std::vector<BYTE>* content, DWORD flags, std::vector<BYTE>* outContent,
                                std::vector<CertInfo>* signers, const FILETIME* checkTime) {
    m_signerResults.clear();
    return pkcs7::Guarded([&]() -> DWORD {
        TPkcs7 reader;
        if (const DWORD opened = reader.Open(message, m_provider, content ? 1 : 0, content ? *content : kNoContent))
            return OpenFailed(opened);
        DWORD count = 0;
        if (const DWORD counted = reader.GetSignerCount(count)) return OpenFailed(counted);
        if (count == 0) return OpenFailed(pkcs7::kErrSignerNotFound);

        const AcquiredProvider chosen(AcquireReadersChoice(reader));
        const CheckedStore messageStore(
            CryptGetMessageCertificates(kCertEncoding, 0, 0, message.data(), static_cast<DWORD>(message.size())));
        CRYPT_VERIFY_MESSAGE_PARA para{sizeof(CRYPT_VERIFY_MESSAGE_PARA), kCertEncoding,
                                       chosen.get() ? chosen.get() : m_provider, GetMessageSignerCert, extraStore};

        // Every signer is verified and reported; the message's result is
        // that of the last one that failed, so a later signer that passes
        // never hides an earlier failure.
        DWORD result = 0;
        for (DWORD n = 0; n < count; ++n) {
            PCCERT_CONTEXT verified = nullptr;
            DWORD number = 0;
            if (!VerifySignature(para, n, message, content, &verified)) {
                number = VerificationFailed();
            } else {
                const OwnedCertContext certificate(verified);
                number = CheckSigner(*this, reader, n, certificate.get(), flags, messageStore.get(), checkTime);
                CertInfo described;
                if (number == 0 && signers && GetCertInfo(certificate.get(), described))
                    signers->push_back(std::move(described));
            }
            m_signerResults.push_back(number);
            if (number) result = number;
        }
        if (!outContent) return result;
        if (content) {
            *outContent = *content;
        } else if (!FetchContent(para, message, *outContent) && result == 0) {
            result = VerificationFailed();
        }
        return result;
    });
}

DWORD TCryptoapi::VerifyMessageWithCerts(const std::vector<CertInfo>* extra, const std::vector<BYTE>& message,
                                         DWORD flags, std::vector<BYTE>* outContent, std::vector<CertInfo>* signers,
                                         const FILETIME* checkTime) {
    const OwnedStore extraStore(extra ? BuildMemoryCertStore(*extra) : nullptr);
    return VerifyMessage(extraStore.get(), message, nullptr, flags, outContent, signers, checkTime);
}

// pkcs7.cpp: the PKCS#7 reader's life, its provider, opening a message in
// up to two passes, and the questions about the whole message.
#include "common/pkcs7.h"

#include "common/cryptoapi.h"
#include "common/log.h"
#include "pkcs7_query.h"
#include "win32/crypt_provider.h"
#include "win32/error.h"

using namespace pkcs7;

namespace pkcs7 {

bool QueryBytes(HCRYPTMSG message, DWORD param, DWORD index, std::vector<BYTE>& out) {
    DWORD size = 0;
    if (!CryptMsgGetParam(message, param, index, nullptr, &size)) return false;
    std::vector<BYTE> bytes(size);
    if (!CryptMsgGetParam(message, param, index, bytes.data(), &size)) return false;
    bytes.resize(size);
    out = std::move(bytes);
    return true;
}

bool QueryRecord(HCRYPTMSG message, DWORD param, DWORD index, RecordBuffer& out) {
    DWORD size = 0;
    if (!CryptMsgGetParam(message, param, index, nullptr, &size)) return false;
    RecordBuffer record(size);
    if (!CryptMsgGetParam(message, param, index, record.data(), &size)) return false;
    out = std::move(record);
    return true;
}

}  // namespace pkcs7

namespace {

constexpr DWORD kEncoding = X509_ASN_ENCODING | PKCS_7_ASN_ENCODING;

// The error number of a failed final update of the message.
DWORD UpdateError(DWORD lastError) {
    switch (lastError) {
    case ERROR_OUTOFMEMORY:
    case static_cast<DWORD>(E_OUTOFMEMORY): return kErrNoMemory;
    case static_cast<DWORD>(NTE_BAD_ALGID):
    case static_cast<DWORD>(CRYPT_E_UNKNOWN_ALGO): return kErrAlgorithm;
    case static_cast<DWORD>(CRYPT_E_ASN1_EOD):
    case static_cast<DWORD>(CRYPT_E_ASN1_BADTAG): return kErrAsn1;
    default: return kErrBadFormat;
    }
}

bool Update(HCRYPTMSG message, const std::vector<BYTE>& bytes) {
    return CryptMsgUpdate(message, bytes.data(), static_cast<DWORD>(bytes.size()), TRUE) != FALSE;
}

}  // namespace

TPkcs7::TPkcs7(const TPkcs7& other) : m_message(other.m_message ? CryptMsgDuplicate(other.m_message) : nullptr) {
    if (other.m_provider && !other.m_chosen.GetName().empty()) SelectProvider(other.m_chosen);
}

TPkcs7::~TPkcs7() {
    Close();
    m_chosen = TCryptProvider();
    if (m_provider) CryptReleaseContext(m_provider, 0);
    m_provider = 0;
}

void TPkcs7::Close() {
    m_messageStore.reset();
    if (m_message) CryptMsgClose(m_message);
    m_message = nullptr;
}

int TPkcs7::SelectProvider(const TCryptProvider& provider) {
    m_chosen = TCryptProvider();
    if (m_provider) CryptReleaseContext(m_provider, 0);
    m_provider = 0;
    HCRYPTPROV handle = 0;
    if (!CryptAcquireContextA(&handle, nullptr, provider.GetName().c_str(), provider.GetType(), CRYPT_VERIFYCONTEXT))
        return 0;
    m_provider = handle;
    m_chosen = provider;
    return 1;
}

int TPkcs7::GetProvider(TCryptProvider& out) const {
    if (!m_provider || m_chosen.GetName().empty()) return 0;
    out = m_chosen;
    return 1;
}

// A failed open closes what it opened, so the object is empty afterwards
// rather than holding a message that is decoded in part.
DWORD TPkcs7::Open(const std::vector<BYTE>& message, HCRYPTPROV provider, DWORD detached,
                   const std::vector<BYTE>& content) {
    Close();
    DWORD result = 0;
    for (int pass = 0; pass < 2; ++pass) {
        if (result == kErrAlgorithm) {
            Close();
            TCryptProvider sha256Provider;
            if (!TCryptoapi::FindProviderForAlg(TCryptoapi::OidToAlgId(kSha256Oid), sha256Provider) ||
                !SelectProvider(sha256Provider))
                break;
            TLogStrVect::Instance()->Print(sgLogLevelMsgs, "TPkcs7::Open(): using provider '%s'",
                                           sha256Provider.GetName().c_str());
            provider = m_provider;
            result = 0;
        }
        if (result != 0) break;
        m_message = CryptMsgOpenToDecode(kEncoding, detached ? CMSG_DETACHED_FLAG : 0, 0, provider, nullptr, nullptr);
        if (!m_message) {
            result = kErrCannotOpen;
            break;
        }
        if (Update(m_message, message)) break;
        result = UpdateError(GetLastError());
    }
    if (result == 0 && detached) {
        if (content.empty())
            result = kErrNullSize;
        else if (!Update(m_message, content))
            result = kErrCannotOpen;
    }
    if (result != 0) Close();
    return result;
}

DWORD TPkcs7::GetSignerCount(DWORD& count) const {
    if (!m_message) return kErrCannotOpen;
    DWORD value = 0;
    DWORD size = sizeof value;
    if (!CryptMsgGetParam(m_message, CMSG_SIGNER_COUNT_PARAM, 0, &value, &size)) return kErrQuery;
    count = value;
    return 0;
}

DWORD TPkcs7::GetEncodedMessage(std::vector<BYTE>& out) const {
    return Guarded([&]() -> DWORD {
        if (!m_message || !QueryBytes(m_message, CMSG_ENCODED_MESSAGE, 0, out)) return kErrCannotOpen;
        return 0;
    });
}

DWORD TPkcs7::GetContent(std::vector<BYTE>& out) const {
    return Guarded([&]() -> DWORD {
        std::vector<BYTE> content;
        if (!m_message || !QueryBytes(m_message, CMSG_CONTENT_PARAM, 0, content)) return kErrCannotOpen;
        if (!content.empty()) out = std::move(content);
        return 0;
    });
}

DWORD TPkcs7::CheckSigner(DWORD n) const {
    DWORD count = 0;
    if (const DWORD result = GetSignerCount(count)) return result;
    return n < count ? 0 : kErrSignerNotFound;
}

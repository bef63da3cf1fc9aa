// Loading the trusted list: reading the signed file or the container that
// holds it, verifying its signature, chain and revocation (asking the user
// about a root no one trusts yet), and keeping its text when it reads.
#include <filesystem>
#include <map>
#include <system_error>

#include "common/cert_context.h"
#include "common/chain_check.h"
#include "common/files.h"
#include "common/log.h"
#include "common/pem.h"
#include "common/pkcs7.h"
#include "common/resource.h"
#include "common/strings.h"
#include "common/system_error.h"
#include "common/untrusted_root.h"
#include "kyd/file_kyd.h"
#include "platform/paths.h"
#include "signer.h"
#include "signer_errors.h"
#include "signer_trusted_list_format.h"
#include "signer_wait_cursor.h"
#include "win32/crypt_store.h"
#include "win32/ui.h"

namespace {

constexpr UINT kRootQuestion = 44;
// A list names a few hundred items; a file far larger is none.
constexpr std::uintmax_t kMaxListFileSize = 16u << 20;
// Check revocation along the chain, the chain itself, and the signing-
// certificate attribute.
constexpr DWORD kListVerifyFlags = kCheckChain | kCheckRevocation | kCheckSigningCert;

// The list's number for a verification's number; those of the user's
// answer and of the message's own faults pass as they are.
LONG listErrorOf(DWORD verified) {
    static const std::map<DWORD, LONG> numbers = {
        {kRootRefused, kRootRefused}, {kRootCancelled, kRootCancelled},
        {1011, 1011}, {1012, 1012}, {1013, 1013},
        {53, 9519}, {1001, 9507}, {1002, 9508}, {1003, 9509}, {1004, 9510}, {1005, 9511}, {1006, 9512},
        {1007, 9513}, {1008, 9514}, {1009, 9515}, {1010, 9516}, {1023, 9506}, {1024, 9517}, {1025, 9518},
    };
    const auto found = numbers.find(verified);
    return found == numbers.end() ? kErrListVerification : found->second;
}

// The signed list as a message: the file's bytes (DER) or its Base64 text
// decoded, when they open as a signed message; else the first signed object
// of the container the file is. False when neither reads.
bool readSignedList(const std::string& fileName, bool der, std::vector<BYTE>& message) {
    std::error_code error;
    const auto size = std::filesystem::file_size(platform::paths::fromWindowsAnsi(fileName), error);
    if (!error && size <= kMaxListFileSize && ReadFileToBuffer(fileName, message)) {
        if (!der) {
            const std::string text(message.begin(), message.end());
            if (!Base64DecodeString(text, message)) message.clear();
        }
        TPkcs7 reader;
        if (!message.empty() && reader.Open(message) == 0) return true;
    }
    message.clear();
    TFileKyd container;
    return container.Open(fileName, TFileKyd::openReadOnly) == 0 && container.ReadEnvelope(0, message) == 0 &&
           !message.empty();
}

// Puts the root into the current user's "Root" store.
bool trustRoot(const CertInfo& root) {
    HCERTSTORE store = CertOpenStore(CERT_STORE_PROV_SYSTEM_A, 0, 0, CERT_SYSTEM_STORE_CURRENT_USER, "Root");
    if (!store) return false;
    const BOOL added = CertAddEncodedCertificateToStore(store, X509_ASN_ENCODING, root.der.data(),
                                                       static_cast<DWORD>(root.der.size()),
                                                       CERT_STORE_ADD_USE_EXISTING, nullptr);
    CertCloseStore(store, 0);
    return added != FALSE;
}

// The question about the list signer's untrusted root for the length of one
// verification: the user sees its subject and SHA-1 thumbprint; Yes puts it
// in the user's "Root" store, No and Cancel refuse it, and without a box the
// chain's own verdict stands.
class RootQuestion {
public:
    RootQuestion()
        : m_previous(SetUntrustedRootQuestion([this](const CertInfo& root) { return ask(root); })) {}
    ~RootQuestion() { SetUntrustedRootQuestion(std::move(m_previous)); }
    RootQuestion(const RootQuestion&) = delete;
    RootQuestion& operator=(const RootQuestion&) = delete;

    // Whether a root was put in the store since the last call.
    bool TakeTrusted() { return std::exchange(m_trusted, false); }

private:
    DWORD ask(const CertInfo& root) {
        std::string text;
        TResource::Instance()->FormatString(text, kRootQuestion, root.subjectDn.c_str(),
                                            ToUpper(root.thumbprintHex).c_str());
        switch (AppQuestionBox(text)) {
        case IDYES:
            if (!trustRoot(root)) return kRootUntrusted;
            m_trusted = true;
            return 0;
        case IDNO: return kRootRefused;
        case IDCANCEL: return kRootCancelled;
        default: return kRootUntrusted;
        }
    }

    UntrustedRootQuestion m_previous;
    bool m_trusted = false;
};

// Verifies the signed list and gives its text: 0 or the list's number.
LONG verifyList(const std::vector<BYTE>& message, std::vector<BYTE>& content) {
    const WaitCursor waiting;
    RootQuestion question;
    TCryptoapi api;
    DWORD verified = api.VerifyMessageWithCerts(nullptr, message, kListVerifyFlags, &content, nullptr, nullptr);
    // A root the user has just trusted is held to the whole check again.
    if (verified == 0 && question.TakeTrusted())
        verified = api.VerifyMessageWithCerts(nullptr, message, kListVerifyFlags, &content, nullptr, nullptr);
    return verified ? listErrorOf(verified) : 0;
}

}  // namespace

const std::string& TSigner::GetTrustedListFile() const { return m_trustedListFile; }

bool TSigner::IsTrustedList() const {
    SIGNER_TRACE();
    return !m_trustedList.empty() || !m_trustedListFile.empty();
}

bool TSigner::SetTrustedListFile(const std::string& fileName) {
    SIGNER_TRACE();
    Log(sgLogLevelDebug, "fname: " + fileName);
    m_trustedListFile.clear();
    m_trustedList.clear();
    if (fileName.empty()) return true;

    std::vector<BYTE> message;
    if (!readSignedList(fileName, (m_formatOptions & kFormatInputDer) != 0, message))
        return Record(kErrListUnreadable);
    std::vector<BYTE> content;
    if (const LONG verified = verifyList(message, content)) return Record(verified);
    TrustedList list;
    if (content.empty() || list.LoadFromMemory(content) != TrustedList::kRead || list.Records().empty())
        return Record(kErrListUnusable);
    m_trustedListFile = fileName;
    m_trustedList = std::move(content);
    return Record(0);
}

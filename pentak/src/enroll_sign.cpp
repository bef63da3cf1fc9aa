// CEnroll: a message signed as PKCS#7 with a certificate the user holds,
// once the user has seen the message, its hash and the certificate and said
// Yes; and the signing certificate that names the session's key.
#include <cerrno>
#include <optional>

#include "cert_view.h"
#include "common/cryptoapi.h"
#include "common/pem.h"
#include "enroll.h"
#include "hashing.h"
#include "known_providers.h"
#include "my_error.h"
#include "platform/text.h"
#include "sign_buffer.h"
#include "sign_dialog.h"
#include "stores.h"
#include "win32/crypt_oid.h"
#include "win32/crypt_string.h"
#include "win32/error.h"
#include "win32/text.h"
#include "win32/ui.h"

namespace {

constexpr UINT kUtf16BigEndian = 1201;
constexpr DWORD kBase64EncodeFlags = 5;
constexpr DWORD kHashGroup = 1;
constexpr int kNoteLevel = 2;
constexpr int kNoBytesLine = 4321;

// The message's bytes as they are signed, and the text the user is shown.
struct MessageBytes {
    std::vector<BYTE> bytes;
    std::u16string shown;
};

std::vector<BYTE> utf16Bytes(std::u16string_view text, bool bigEndian) {
    std::vector<BYTE> bytes;
    bytes.reserve(text.size() * 2);
    for (const char16_t unit : text) {
        const BYTE low = static_cast<BYTE>(unit & 0xFF), high = static_cast<BYTE>(unit >> 8);
        bytes.push_back(bigEndian ? high : low);
        bytes.push_back(bigEndian ? low : high);
    }
    return bytes;
}

// Base64 text, every character of it; the codec of certificates would skip
// what is not Base64 and sign something the caller never gave.
bool decodeBase64(std::u16string_view text, std::vector<BYTE>& out) {
    const std::u16string whole(text);
    DWORD size = 0;
    if (!CryptStringToBinaryW(whole.c_str(), static_cast<DWORD>(whole.size()), CRYPT_STRING_BASE64, nullptr, &size,
                              nullptr, nullptr))
        return false;
    std::vector<BYTE> bytes(size);
    if (!CryptStringToBinaryW(whole.c_str(), static_cast<DWORD>(whole.size()), CRYPT_STRING_BASE64, bytes.data(),
                              &size, nullptr, nullptr))
        return false;
    bytes.resize(size);
    out = std::move(bytes);
    return true;
}

// Base64 messages are shown as their bytes read as UTF-8. A text is shown
// as given, so a code page that lacks one of its characters gives nothing
// rather than bytes with "?" where the user saw a letter.
std::optional<MessageBytes> messageBytes(std::u16string_view message, bool base64, UINT codePage) {
    MessageBytes out;
    if (base64) {
        if (!decodeBase64(message, out.bytes)) return std::nullopt;
        out.shown = platform::text::fromUtf8({reinterpret_cast<const char*>(out.bytes.data()), out.bytes.size()});
    } else if (codePage == CP_UTF16LE || codePage == kUtf16BigEndian) {
        out.bytes = utf16Bytes(message, codePage == kUtf16BigEndian);
        out.shown = message;
    } else {
        const std::optional<std::string> narrow = platform::text::toNarrowExact(message, codePage);
        if (!narrow) return std::nullopt;
        out.bytes.assign(narrow->begin(), narrow->end());
        out.shown = message;
    }
    if (out.bytes.empty()) return std::nullopt;
    return out;
}

// Lower-case hexadecimal, a blank between groups of two bytes.
std::u16string hashText(const std::vector<BYTE>& hash) {
    static constexpr char16_t kDigits[] = u"0123456789abcdef";
    std::u16string text;
    for (std::size_t i = 0; i < hash.size(); ++i) {
        if (i > 0 && i % 2 == 0) text += u' ';
        text += kDigits[hash[i] >> 4];
        text += kDigits[hash[i] & 0xF];
    }
    return text;
}

}  // namespace

OwnedCertContext CEnroll::findSigningCertificate(const std::u16string& certificate) const {
    if (const OwnedCertContext wanted = CertificateOfText(certificate)) {
        const std::vector<BYTE> der(wanted->pbCertEncoded, wanted->pbCertEncoded + wanted->cbCertEncoded);
        for (const CspStoreEntry& entry : m_cspStore)
            for (const CspKeyRecord& record : entry.keys)
                if (record.certificate == der) return CertificateWithKey(record.certificate, record.info);
    }
    TCryptoapi api;
    return OwnedCertContext(api.FindCertInSystemStore(kStorePersonal, certificate));
}

DWORD CEnroll::signingKeyOf(const std::u16string& certificate, OwnedCertContext& context, CertKeyInfo& key) const {
    context = findSigningCertificate(certificate);
    if (!context) return static_cast<DWORD>(CRYPT_E_NOT_FOUND);
    if (!TCryptoapi::GetCertKeyInfo(context.get(), key) || !key.NamesKey()) return static_cast<DWORD>(CRYPT_E_NOT_FOUND);
    return 0;
}

DWORD CEnroll::Sign(std::u16string_view certificate, std::u16string_view message, std::u16string& signedText) {
    SetLastError(0);
    m_signCert = std::u16string(certificate);
    m_messageTBS = std::u16string(message);
    m_signedMessage.reset();
    const std::u16string hashOid = GetHashAlgorithmOid();
    if (message.empty() || certificate.empty() || hashOid.empty()) return ERROR_INVALID_PARAMETER;

    OwnedCertContext signer;
    CertKeyInfo key;
    if (const DWORD missing = signingKeyOf(*m_signCert, signer, key)) return missing;
    TCryptoapi api;
    if (!api.ContainerMatchesPublicKey(key.provider, key.providerType, key.container, key.keySpec,
                                       signer->pCertInfo->SubjectPublicKeyInfo))
        return static_cast<DWORD>(NTE_BAD_PUBLIC_KEY);

    const std::optional<MessageBytes> content = messageBytes(message, m_messageEncoding == u"base64", m_codePage);
    if (!content) {
        ReportError(kNoteLevel, errno, "WideChar2String(): no data", "Enroll", kNoBytesLine);
        return ERROR_INVALID_DATA;
    }

    const std::string narrowOid(hashOid.begin(), hashOid.end());
    const ALG_ID algId = CertOIDToAlgId(narrowOid.c_str());
    if (algId == 0) return ResultFromStatus(false, GetLastError());
    std::vector<BYTE> hash;
    if (!HashWithProvider(key.provider, key.providerType, algId, content->bytes, hash))
        return ResultFromStatus(false, GetLastError());
    const std::u16string hashShown = hashText(hash);
    if (hashShown.empty()) return ResultFromStatus(false, GetLastError());

    TSignDlg dialog(*m_signCert, hashShown, TCryptoapi::GetOidName(hashOid, kHashGroup), content->shown,
                    m_signDlgTitle.value_or(u""));
    if (dialog.DoModal(GetActiveWindow()) != IDYES) return ERROR_CANCELLED;

    std::vector<BYTE> der;
    if (api.SignBuffer(signer.get(), {signer.get()}, hashOid, content->bytes, der) != 0)
        return ResultFromStatus(false, api.GetLastErrorCode());
    std::string text;
    if (!Base64ConvertVector(der, text, kBase64EncodeFlags)) return kSignBufferNotText;
    signedText.assign(text.begin(), text.end());
    m_signedMessage = signedText;
    return 0;
}

DWORD CEnroll::SetSignCert(std::u16string_view certificate) {
    SetLastError(0);
    if (certificate.empty()) return ResultFromStatus(false, GetLastError());
    OwnedCertContext signer;
    CertKeyInfo key;
    if (const DWORD missing = signingKeyOf(std::u16string(certificate), signer, key)) return missing;
    m_signCert = std::u16string(certificate);
    m_providerName = key.provider;
    m_containerName = key.container;
    m_smartCardReaderName.reset();
    m_smartCardName.reset();
    m_keySpec = key.keySpec;
    m_providerType = key.providerType;
    return 0;
}

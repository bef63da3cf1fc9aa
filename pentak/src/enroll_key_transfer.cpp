// CEnroll: key pairs in and out of the session's container as PKCS#1
// RSAPrivateKey, asking the user before a private key leaves it.
#include "common/base64.h"
#include "common/codepage.h"
#include "common/pem.h"
#include "containers.h"
#include "enroll.h"
#include "enroll_report.h"
#include "providers.h"
#include "rsa_private_key.h"
#include "win32/crypt_provider.h"
#include "win32/error.h"
#include "win32/ui.h"

namespace {

constexpr DWORD kBase64Flags = 37;  // encode, lines of 72 characters ended by LF
// Messages of the library's table.
constexpr int kExportCaption = 13;
constexpr int kExportQuestion = 14;

}  // namespace

BOOL CEnroll::KeyImport(std::u16string_view base64Key) {
    std::vector<BYTE> der;
    if (!TAsn1Coder::StringToBinary(std::u16string(base64Key), der, BASE64_DECODE)) {
        SetLastError(ERROR_INVALID_DATA);
        return FailedAt(1144);
    }
    const auto import = [&]() -> bool {
        releaseKeyContext();
        RsaKeyNumbers numbers;
        std::vector<BYTE> blob;
        if (!DecodeRsaPrivateKey(der, numbers) || !MakePrivateKeyBlob(numbers, AlgIdOfKeySpec(m_keySpec), blob))
            return false;
        if (!acquireKeyContext(m_containerName.value_or(u""), CRYPT_NEWKEYSET)) return FailedAt(1109);
        HCRYPTKEY key = 0;
        if (!CryptImportKey(m_hProv, blob.data(), static_cast<DWORD>(blob.size()), 0,
                            m_genKeyFlags & CRYPT_EXPORTABLE, &key))
            return FailedAt(1111);
        CryptDestroyKey(key);
        return true;
    };
    return import() ? TRUE : FailedAt(1146);
}

BOOL CEnroll::ExportKeyPair(std::vector<BYTE>& keyPair) {
    keyPair.clear();
    const UserKey key(m_hProv, m_keySpec);
    if (!key.get()) return FailedAt(1225);
    int answer = IDNO;
    if (!ConfirmContainerAction(answer, kExportCaption, kExportQuestion)) return FailedAt(1226);
    if (answer != IDYES) {
        SetLastError(ERROR_CANCELLED);
        return FailedAt(1227);
    }
    DWORD size = 0;
    if (!CryptExportKey(key.get(), 0, PRIVATEKEYBLOB, 0, nullptr, &size)) return FailedAt(1228);
    std::vector<BYTE> blob(size);
    if (!CryptExportKey(key.get(), 0, PRIVATEKEYBLOB, 0, blob.data(), &size)) return FailedAt(1230);
    blob.resize(size);
    RsaKeyNumbers numbers;
    if (!ReadPrivateKeyBlob(blob, numbers)) {
        SetLastError(static_cast<DWORD>(NTE_BAD_DATA));
        return FailedAt(1230);
    }
    std::vector<BYTE> der;
    if (!EncodeRsaPrivateKey(numbers, der)) return FALSE;
    keyPair = std::move(der);
    return TRUE;
}

BOOL CEnroll::KeyExport(std::u16string& base64Key) {
    std::vector<BYTE> der;
    if (!ExportKeyPair(der)) return FailedAt(1319);
    std::string text;
    if (!Base64ConvertVector(der, text, kBase64Flags)) return FailedAt(1323);
    base64Key = MultiByteToWide(text, CP_ACP);
    return TRUE;
}

// CEnroll: the session's key container: its full name, opening it,
// creating it with a new key, its name, and deleting a container.
#include "enroll.h"

#include "common/codepage.h"
#include "enroll_report.h"
#include "pentak_resource.h"
#include "win32/crypt_provider.h"
#include "win32/error.h"
#include "win32/ui.h"

namespace {

constexpr std::u16string_view kReaderPrefix = u"\\\\.\\";

// Messages of the library's table.
constexpr int kDeleteQuestion = 8;
constexpr int kDeleteCaption = 9;

const char16_t* nameOrNull(const std::u16string& name) { return name.empty() ? nullptr : name.c_str(); }

}  // namespace

std::u16string CEnroll::FullContainerName() const {
    const std::u16string container = m_containerName.value_or(u"");
    if (container.starts_with(kReaderPrefix)) return container;
    const std::u16string reader = m_smartCardReaderName.value_or(u"");
    if (reader.empty()) return container;
    if (reader.find(kReaderPrefix) != std::u16string::npos) return reader + container;
    return std::u16string(kReaderPrefix) + reader + u'\\' + container;
}

bool CEnroll::acquireKeyContext(const std::u16string& container, DWORD flags) {
    releaseKeyContext();
    const std::u16string provider = m_providerName.value_or(u"");
    return CryptAcquireContextW(&m_hProv, nameOrNull(container), nameOrNull(provider), m_providerType, flags) !=
           FALSE;
}

BOOL CEnroll::KeySelect() { return acquireKeyContext(FullContainerName(), 0) ? TRUE : FALSE; }

BOOL CEnroll::KeyGenerate() {
    // The Quib profile clears expired content off the card first; whatever
    // it leaves does not stop the generation.
    if (m_applicationProfile == sgAppProfileQuib_CP31) DeleteObsoleteContent();
    const std::u16string container = FullContainerName();
    if (!acquireKeyContext(container, CRYPT_NEWKEYSET)) return FailedAt(980);
    HCRYPTKEY key = 0;
    if (!CryptGenKey(m_hProv, m_keySpec, m_genKeyFlags, &key)) return FailedAt(981);
    SetLastError(0);
    CryptDestroyKey(key);
    return TRUE;
}

BOOL CEnroll::KeyContainerDelete(std::u16string_view containerName) {
    if (containerName.empty()) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const std::u16string name(containerName);
    const std::u16string question = TPentakResource::Instance()->FormatText(kDeleteQuestion, name.c_str());
    if (askYesNo(kDeleteCaption, question) != IDYES) {
        SetLastError(ERROR_CANCELLED);
        return FailedAt(946);
    }
    const std::u16string provider = m_providerName.value_or(u"");
    HCRYPTPROV deleted = 0;
    if (!CryptAcquireContextW(&deleted, name.c_str(), nameOrNull(provider), m_providerType, CRYPT_DELETEKEYSET))
        return FailedAt(947);
    // The key context may have been the deleted container's.
    releaseKeyContext();
    return TRUE;
}

bool CEnroll::readContainerName(std::u16string& out, int sizeLine, int valueLine) const {
    DWORD size = 0;
    if (!CryptGetProvParam(m_hProv, PP_CONTAINER, nullptr, &size, 0)) return FailedAt(sizeLine);
    std::string name(size, '\0');
    if (!CryptGetProvParam(m_hProv, PP_CONTAINER, reinterpret_cast<BYTE*>(name.data()), &size, 0))
        return FailedAt(valueLine);
    out = String2WideChar(name.data(), static_cast<int>(size), CP_ACP);
    return true;
}

BOOL CEnroll::GetProviderContainerName(std::u16string& containerName) {
    if (m_hProv == 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FailedAt(3874);
    }
    std::u16string name;
    if (!readContainerName(name, 3860, 3866)) return FALSE;
    containerName = std::move(name);
    return TRUE;
}

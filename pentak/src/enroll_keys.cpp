// CEnroll: the session's key container: its full name, opening it and
// creating it with a new key.
#include "enroll.h"

#include "enroll_report.h"
#include "win32/crypt_provider.h"
#include "win32/error.h"

namespace {

constexpr std::u16string_view kReaderPrefix = u"\\\\.\\";

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
    const std::u16string container = FullContainerName();
    if (!acquireKeyContext(container, CRYPT_NEWKEYSET)) return FailedAt(980);
    HCRYPTKEY key = 0;
    if (!CryptGenKey(m_hProv, m_keySpec, m_genKeyFlags, &key)) return FailedAt(981);
    SetLastError(0);
    CryptDestroyKey(key);
    return TRUE;
}

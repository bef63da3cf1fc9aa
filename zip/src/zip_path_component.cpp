// Path splitting with the rules of the Windows run-time's _splitpath, without
// its fixed field lengths, which would empty every field of a long path.
#include "zip/zip_path_component.h"

namespace {

constexpr std::size_t kPrefixLengths[] = {2, 4, 8};  // "\\", "\\?\", "\\?\unc\"

bool isDriveLetter(ZIPCHAR c) noexcept {
    return (c >= ZIPTEXT('a') && c <= ZIPTEXT('z')) || (c >= ZIPTEXT('A') && c <= ZIPTEXT('Z'));
}

std::size_t matchingPrefixLength(const CZipString& path) {
    CZipString lower(path);
    lower.ToLower();
    const CZipString::View unc = ZIPTEXT("\\\\?\\unc\\");
    std::size_t n = 0;
    while (n < lower.size() && n < unc.size() && lower[n] == unc[n]) ++n;
    return n;
}

}  // namespace

void CZipPathComponent::SetFullPath(const CZipString& path) {
    CZipString rest(path);
    m_szPrefix.Clear();
    const std::size_t prefix = matchingPrefixLength(path);
    for (std::size_t length : kPrefixLengths) {
        if (prefix == length) {
            m_szPrefix = path.Head(length);
            rest = path.Tail(length);
        }
    }

    m_szDrive.Clear();
    if (rest.size() >= 2 && isDriveLetter(rest[0]) && rest[1] == ZIPTEXT(':')) {
        m_szDrive = rest.Head(2);
        rest = rest.Tail(2);
    }
    std::size_t nameStart = 0;
    for (std::size_t i = 0; i < rest.size(); ++i)
        if (IsSeparator(rest[i])) nameStart = i + 1;
    m_szDirectory = rest.Head(nameStart);
    const CZipString name = rest.Tail(nameStart);
    const std::size_t dot = name.rfind(ZIPTEXT('.'));
    m_szFileTitle = dot == CZipString::npos ? name : name.Head(dot);
    m_szFileExt = dot == CZipString::npos ? CZipString() : name.Tail(dot);

    m_szDirectory.StripLeading(cSeparator);
    m_szDirectory.StripTrailing(ZIPTEXT("\\"));
    m_szFileExt.StripLeading(ZIPTEXT('.'));
}

CZipString CZipPathComponent::GetFileName() const {
    CZipString name(m_szFileTitle);
    if (!m_szFileExt.empty()) {
        name += ZIPTEXT('.');
        name += m_szFileExt;
    }
    return name;
}

CZipString CZipPathComponent::GetNoDrive() const {
    CZipString path(m_szDirectory);
    const CZipString name = GetFileName();
    if (!path.empty() && !name.empty()) path += cSeparator;
    return path + name;
}

CZipString CZipPathComponent::GetFilePath() const {
    CZipString path(m_szPrefix);
    path += m_szDrive;
    if (!m_szDrive.empty() && !m_szDirectory.empty()) path += cSeparator;
    return path + m_szDirectory;
}

CZipString CZipPathComponent::GetFullPath() const {
    CZipString path = GetFilePath();
    const CZipString name = GetFileName();
    if (!name.empty()) {
        if (path.empty()) path = ZIPTEXT(".");
        path += cSeparator;
        path += name;
    }
    return path;
}

void CZipPathComponent::AppendSeparator(CZipString& path) {
    RemoveSeparators(path);
    path += cSeparator;
}

void CZipPathComponent::RemoveSeparators(CZipString& path) { path.StripTrailing(ZIPTEXT("\\/")); }

void CZipPathComponent::RemoveSeparatorsLeft(CZipString& path) {
    const std::size_t first = path.find_first_not_of(ZIPTEXT("\\/"));
    path.erase(0, first == CZipString::npos ? path.size() : first);
}

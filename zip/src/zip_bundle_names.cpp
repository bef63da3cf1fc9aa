// CZipBundle: the names entries get from disk paths, the paths entries are
// extracted to, and finding entries by name or by pattern.
#include <algorithm>

#include "zip/zip_bundle.h"
#include "zip/zip_path_component.h"
#include "zip/zip_wildcard.h"

namespace {

// Disk paths may separate with "/"; names in the archive use "\".
CZipString withBackslashes(CZipString path) {
    std::replace(path.begin(), path.end(), ZIPTEXT('/'), CZipPathComponent::cSeparator);
    return path;
}

}  // namespace

// The split path has lost the leading separators of its directory; so
// does the root folder when the path has no prefix ("/home/user" on Linux).
CZipString CZipBundle::StripRootFolder(const CZipPathComponent& path) const {
    if (m_szRootPath.empty()) return path.GetFileName();
    CZipString root = m_szRootPath;
    if (path.GetPrefix().empty()) CZipPathComponent::RemoveSeparatorsLeft(root);
    const CZipString folder = path.GetFilePath();
    const CZipString full = folder.empty() ? path.GetFileName() : folder + CZipPathComponent::cSeparator + path.GetFileName();
    const ZIPSTRINGCOMPARE compare = m_bCaseSensitive ? CompareCollated : CompareCollatedNoCase;
    if (full.size() >= root.size() && compare(full.Head(root.size()), root) == 0) {
        if (full.size() == root.size()) return {};
        if (CZipPathComponent::IsSeparator(full[root.size()])) {
            CZipString rest = full.Tail(root.size());
            CZipPathComponent::RemoveSeparatorsLeft(rest);
            return rest;
        }
    }
    return path.GetFileName();
}

// Names never begin with a separator: an archive holds relative names only.
CZipString CZipBundle::PredictFileNameInZip(const CZipString& path, bool fullPath, int kind) const {
    if (path.empty()) return {};
    const bool directory = kind == pathDirectory || (kind != pathFile && CZipPathComponent::IsSeparator(path.back()));
    CZipString trimmed = withBackslashes(path);
    CZipPathComponent::RemoveSeparators(trimmed);
    if (trimmed.empty()) return {};
    const CZipPathComponent split(trimmed);
    CZipString name = fullPath ? split.GetNoDrive() : StripRootFolder(split);
    CZipPathComponent::RemoveSeparatorsLeft(name);
    if (directory && !name.empty()) CZipPathComponent::AppendSeparator(name);
    return name;
}

CZipString CZipBundle::ExtractedPiece(const CZipString& nameInZip, bool fullPath, const ZIPCHAR* newName) const {
    CZipString name = newName && *newName ? CZipString(newName) : nameInZip;
    CZipPathComponent::RemoveSeparators(name);
    if (name.empty()) return {};
    const CZipPathComponent split(name);
    return fullPath ? split.GetNoDrive() : StripRootFolder(split);
}

CZipString CZipBundle::PredictExtractedFileName(const CZipString& nameInZip, const CZipString& folder, bool fullPath,
                                                const ZIPCHAR* newName) const {
    const CZipString piece = ExtractedPiece(nameInZip, fullPath, newName);
    if (piece.empty()) return folder;
    CZipString path = folder;
    if (!path.empty()) CZipPathComponent::AppendSeparator(path);
    return path + piece;
}

ZIP_INDEX_TYPE CZipBundle::FindFile(const CZipString& name, bool fullPath, bool fileNameOnly, int kind) {
    if (IsClosed()) return ZIP_FILE_INDEX_NOT_FOUND;
    const CZipString normalised = fileNameOnly
                                      ? PredictFileNameInZip(CZipPathComponent(name).GetFileName(), false, kind)
                                      : PredictFileNameInZip(name, fullPath, kind);
    return m_centralDir.FindByName(normalised, m_bCaseSensitive, false, fileNameOnly);
}

void CZipBundle::FindMatches(const CZipString& pattern, CZipIndexesArray& indexes, bool fullPath) {
    if (IsClosed()) return;
    const ZipKit::CWildcard matcher(pattern, m_bCaseSensitive);
    for (ZIP_INDEX_TYPE i = 0; i < GetCount(); ++i) {
        CZipString name = m_centralDir[i]->GetFileName(false);
        if (!fullPath) {
            CZipPathComponent::RemoveSeparators(name);
            name = CZipPathComponent(name).GetFileName();
        }
        if (matcher.Matches(name)) indexes.push_back(i);
    }
}

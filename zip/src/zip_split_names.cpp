// The two names handlers of split archives.
#include "zip/zip_split_names.h"

#include "zip/zip_path_component.h"

namespace {

// The path with its extension (the text after the name's last dot) replaced.
CZipString withExtension(const CZipString& path, const CZipString& extension) {
    const CZipString current = CZipPathComponent(path).GetFileExt();
    CZipString result = current.empty() ? path : path.Head(path.size() - current.size() - 1);
    result += ZIPTEXT('.');
    return result + extension;
}

CZipString numbered(const ZIPCHAR* shortFormat, const ZIPCHAR* longFormat, ZIP_VOLUME_TYPE limit,
                    ZIP_VOLUME_TYPE volume) {
    CZipString text;
    text.Printf(volume < limit ? shortFormat : longFormat, volume);
    return text;
}

}  // namespace

void CZipRegularSplitNamesHandler::Initialize(const CZipString& archivePath) {
    m_szExt = CZipPathComponent(archivePath).GetFileExt();
}

CZipString CZipRegularSplitNamesHandler::GetVolumeName(const CZipString& archivePath, ZIP_VOLUME_TYPE volume,
                                                       int flags) const {
    const CZipString extension =
        (flags & flLast) ? m_szExt : numbered(ZIPTEXT("z%.2u"), ZIPTEXT("z%u"), 100, volume);
    return withExtension(archivePath, extension);
}

CZipString CZipBinSplitNamesHandler::GetVolumeName(const CZipString& archivePath, ZIP_VOLUME_TYPE volume,
                                                   int flags) const {
    const CZipString number = numbered(ZIPTEXT("%.3u"), ZIPTEXT("%u"), 1000, volume);
    if (flags & flExisting) return withExtension(archivePath, number);
    return archivePath + ZIPTEXT(".") + number;
}

ZIP_VOLUME_TYPE CZipBinSplitNamesHandler::GetVolumeNumber(const CZipString& volumePath) const {
    const CZipString extension = CZipPathComponent(volumePath).GetFileExt();
    if (extension.size() < 3) return 0;
    std::uint64_t number = 0;
    for (ZIPCHAR c : extension) {
        if (c < ZIPTEXT('0') || c > ZIPTEXT('9')) break;
        number = number * 10 + static_cast<std::uint64_t>(c - ZIPTEXT('0'));
        if (number > 0xFFFFFFFEu) return 0;
    }
    return static_cast<ZIP_VOLUME_TYPE>(number);
}

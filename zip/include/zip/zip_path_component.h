// CZipPathComponent: a path split into prefix, drive, directory, file title
// and extension, with the Windows rules the archive's names follow ("\" and
// "/" both separate; "X:" is a drive; "\\", "\\?\" and "\\?\UNC\" are
// prefixes). Disk paths on Linux have no drive or prefix and split the same
// way. No field has a length limit.
#pragma once

#include "zip/zip_string.h"

class CZipPathComponent {
public:
    static constexpr ZIPCHAR cSeparator = ZIPTEXT('\\');

    CZipPathComponent() = default;
    explicit CZipPathComponent(const CZipString& path) { SetFullPath(path); }
    virtual ~CZipPathComponent() = default;

    void SetFullPath(const CZipString& path);

    // Title, then a dot and the extension when there is one.
    CZipString GetFileName() const;
    // Directory, "\" when both directory and file name are there, file name.
    CZipString GetNoDrive() const;
    // Prefix, drive, "\" when both drive and directory are there, directory.
    CZipString GetFilePath() const;
    // The file path and "\" and the file name; "." stands for an empty path.
    CZipString GetFullPath() const;
    const CZipString& GetFileDrive() const noexcept { return m_szDrive; }
    const CZipString& GetFileDir() const noexcept { return m_szDirectory; }
    const CZipString& GetFileTitle() const noexcept { return m_szFileTitle; }
    CZipString GetFileExt() const { return m_szFileExt; }
    const CZipString& GetPrefix() const noexcept { return m_szPrefix; }

    static bool IsSeparator(ZIPCHAR c) noexcept { return c == ZIPTEXT('\\') || c == ZIPTEXT('/'); }
    // Removes trailing "\" and "/" and appends exactly one "\".
    static void AppendSeparator(CZipString& path);
    // Removes trailing "\" and "/".
    static void RemoveSeparators(CZipString& path);
    // Removes leading "\" and "/".
    static void RemoveSeparatorsLeft(CZipString& path);

private:
    CZipString m_szDirectory;  // without leading or trailing backslashes
    CZipString m_szFileTitle;
    CZipString m_szFileExt;    // without the leading dot
    CZipString m_szDrive;
    CZipString m_szPrefix;
};

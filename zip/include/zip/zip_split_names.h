// Names of the volumes of split archives. Volumes are numbered from 1 here.
// Regular split (zip -s): a.z01 ... a.z99, a.z100 ..., the last volume under
// the archive's own name a.zip. Binary split: a.zip.001, a.zip.002 ...
#pragma once

#include "zip/zip_string.h"

class CZipSplitNamesHandler {
public:
    enum Flags : int { flLast = 0x01, flExisting = 0x02 };

    virtual ~CZipSplitNamesHandler() = default;
    virtual void Initialize(const CZipString& /*archivePath*/) {}
    virtual CZipString GetVolumeName(const CZipString& archivePath, ZIP_VOLUME_TYPE volume, int flags) const = 0;
    // The volume number a path names, or 0 when unknown.
    virtual ZIP_VOLUME_TYPE GetVolumeNumber(const CZipString& /*volumePath*/) const { return 0; }
};

class CZipRegularSplitNamesHandler : public CZipSplitNamesHandler {
public:
    // The last volume keeps the archive's extension.
    void Initialize(const CZipString& archivePath) override;
    CZipString GetVolumeName(const CZipString& archivePath, ZIP_VOLUME_TYPE volume, int flags) const override;

private:
    CZipString m_szExt = ZIPTEXT("zip");
};

class CZipBinSplitNamesHandler : public CZipSplitNamesHandler {
public:
    // A new archive a.zip gets a.zip.001 ...; an existing one is named by its
    // volume a.zip.003, whose extension the number replaces.
    CZipString GetVolumeName(const CZipString& archivePath, ZIP_VOLUME_TYPE volume, int flags) const override;
    ZIP_VOLUME_TYPE GetVolumeNumber(const CZipString& volumePath) const override;
};

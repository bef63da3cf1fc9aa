// Progress reporting to a caller's callback, with the coalescing of step
// reports, and the archive's map of callbacks by kind.
#pragma once

#include <map>

#include "zip/zip_string.h"

class CZipProgressCallback {
public:
    // Kinds (bit values) of the operations that report.
    enum Kind : int {
        cbAdd = 0x0001,
        cbAddFromTemporary = 0x0002,  // copying an entry out of the temporary archive
        cbAddStore = 0x0004,          // adding again uncompressed after the efficiency check
        cbExtract = 0x0008,
        cbSave = 0x0080,              // writing the central directory
        cbApplyHeaderChanges = 0x0200,
        cbMoveData = 0x0400,          // moving data for a replaced entry
        cbAddCombined = 0x1001,
    };

    virtual ~CZipProgressCallback() = default;
    virtual void Start(const CZipString& /*nameInArchive*/, const CZipString& /*pathOnDisk*/) {}
    virtual void SetTotal(ZIP_SIZE_TYPE /*total*/) {}
    virtual void Finish() {}
    // False asks the operation to stop.
    virtual bool Report(ZIP_SIZE_TYPE progress) = 0;

    // Gathers step reports: every m_iStep-th one reports their sum.
    bool StepProgress(ZIP_SIZE_TYPE bytes);
    // The final report of an operation: whatever is gathered plus bytes.
    bool LastProgress(ZIP_SIZE_TYPE bytes);

    int m_iType = 0;  // the kind it was last fetched for
    int m_iStep = 1;
    int m_iCounter = 1;
    ZIP_SIZE_TYPE m_uAccumulated = 0;
};

// The callbacks a caller registered, by kind; not owned.
class CZipCallbackMap {
public:
    // A null callback removes the kind.
    void Set(int kind, CZipProgressCallback* callback);
    // Sets (or removes) the callback of every kind of adding (0x0001, 0x1001).
    void SetForAdding(CZipProgressCallback* callback);
    // The callback for the kind, told that kind; null when none.
    CZipProgressCallback* Find(int kind) const;

private:
    std::map<int, CZipProgressCallback*> m_callbacks;
};

// The open file behind a HANDLE from CreateFile, for other parts of the
// layer that work on its descriptor (file mappings, locks).
#pragma once

#include <memory>

#include "platform/kernel_object.h"

namespace platform {

class FileObject : public KernelObject {
public:
    virtual int descriptor() const noexcept = 0;
    virtual bool canRead() const noexcept = 0;
    virtual bool canWrite() const noexcept = 0;
};

// The open file of a handle, or WinError(ERROR_INVALID_HANDLE) when the
// handle is not one. The descriptor stays open while the pointer lives, even
// after CloseHandle, as a mapping keeps its file open on Windows.
inline std::shared_ptr<FileObject> fileObject(HANDLE h) { return kernelObjectAs<FileObject>(h); }

}  // namespace platform

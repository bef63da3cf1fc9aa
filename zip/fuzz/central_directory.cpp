// libFuzzer target over the central-directory reader: the input is an
// archive held in memory, as the upgrade client opens a downloaded one. The
// directory is read (exhaustively), every entry's local header checked and
// its name and comment converted. A CZipException is a clean refusal;
// crashes, hangs, leaks and unbounded allocations are the faults sought.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "zip/zip_central_dir.h"
#include "zip/zip_exception.h"
#include "zip/zip_mem_file.h"
#include "zip/zip_storage.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > 0xFFFFFFFFu) return 0;
    std::vector<char> bytes(data, data + size);
    CZipMemFile file;
    file.UseBuffer(bytes.data(), static_cast<std::uint32_t>(bytes.size()));
    CZipStorage storage;
    try {
        storage.Open(file, CZipStorage::zipOpenReadOnly);
        CZipCentralDir dir(storage);
        dir.Read(true);
        for (ZIP_INDEX_TYPE i = 0; i < dir.GetCount(); ++i) {
            dir[i]->GetFileName(false);
            dir[i]->GetComment();
            dir[i]->GetLocalAttributes();
            dir.OpenEntry(i);
        }
        dir.FindByName(ZIPTEXT("a.txt"), false, false, true);
    } catch (const CZipException&) {
        // a refusal with the library's code
    }
    return 0;
}

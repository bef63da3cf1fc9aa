// libFuzzer target over the extracting road: the input is an archive in
// memory; every entry is extracted into a memory file with a password set,
// so stored, deflated, bzip2, traditionally and AES-encrypted data all run
// through their decompressor and cryptograph. A CZipException is a clean
// refusal; crashes, hangs and output beyond an entry's declared size are
// the faults sought.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "zip/zip_bundle.h"
#include "zip/zip_mem_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > 0xFFFFFFFFu) return 0;
    std::vector<char> bytes(data, data + size);
    CZipMemFile file;
    file.UseBuffer(bytes.data(), static_cast<std::uint32_t>(bytes.size()));
    CZipBundle zip;
    try {
        zip.Open(file, CZipBundle::zipOpenReadOnly);
        zip.SetPassword(ZIPTEXT("fuzz"));
        for (ZIP_INDEX_TYPE i = 0; i < zip.GetCount(); ++i) {
            const ZIP_SIZE_TYPE declared = zip.GetFileInfo(i)->m_uUncomprSize;
            CZipMemFile target;
            try {
                if (zip.ExtractFile(i, target, true, 4096) && target.GetLength() != declared) std::abort();
            } catch (const CZipException&) {
                // this entry is refused; the next one may still be read
            }
            if (target.GetLength() > declared) std::abort();
        }
    } catch (const CZipException&) {
        // a refusal with the library's code
    }
    zip.Close(CZipBundle::closeAfterException);
    return 0;
}

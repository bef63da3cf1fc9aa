// A MIME entity from someone else's container: loading never crashes; what
// loads is stored and loaded again, under folding off and on by the first
// byte, and every leaf's file name and type are asked for.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "mime/mime_body.h"
#include "mime/mime_environment.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    CMimeEnvironment::SetAutoFolding(data[0] & 1);
    const char* text = reinterpret_cast<const char*>(data + 1);
    const int length = static_cast<int>(size - 1);
    CMimeMessage message;
    if (message.Load(text, length) < 0) return 0;
    std::vector<CMimeBody*> leaves;
    message.GetLeafParts(leaves);
    for (CMimeBody* leaf : leaves) {
        leaf->GetFileName();
        leaf->GetMediaType();
        if (leaf->GetContentLength() > length) std::abort();  // decoding never grows the input
    }
    const int stored = message.GetLength();
    if (stored <= 0) return 0;
    std::vector<char> buffer(static_cast<std::size_t>(stored));
    if (message.Store(buffer.data(), stored) != stored) std::abort();
    CMimeMessage again;
    again.Load(buffer.data(), stored);
    return 0;
}

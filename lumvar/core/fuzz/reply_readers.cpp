// A reply of the update server over any bytes, validated with both schemas
// and read as each of the three replies. Refusals (exceptions, result codes)
// are the expected outcome; crashes, hangs and large allocations are the bugs.
#include <cstdint>
#include <exception>
#include <string_view>

#include "lumvar/log_writer.h"
#include "protocol_replies.h"

namespace {

using namespace lumvar;

std::vector<DownloadItem> requested() {
    std::vector<DownloadItem> items(2);
    items[0].record.path = u"a.txt";
    items[0].record.size = 64;
    items[1].record.location = SystemFolder;
    items[1].record.path = u"b.dll";
    items[1].record.size = 64;
    return items;
}

void readAs(std::string_view bytes, const ReplySchema& schema, bool fileList) {
    try {
        const ServerReply reply = ServerReply::parse(bytes, schema);
        if (ReadReplyStatus(reply, u"Fuzz") != 0) return;
        if (fileList) {
            UpdateList list;
            std::vector<std::uint32_t> version;
            ReadFileListReply(reply, list, version);
            return;
        }
        DownloadItem one;
        ReadFileReply(reply, one);
        std::vector<DownloadItem> items = requested();
        ReadZipReply(reply, items);
    } catch (const std::exception&) {
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const ReplySchema listSchema(LUMVAR_RELAXNG_DIR "/lumvar_getfilelist_A_v1.rng");
    static const ReplySchema fileSchema(LUMVAR_RELAXNG_DIR "/lumvar_getfile_A_v1.rng");
    log::setLevel(0);
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    readAs(bytes, listSchema, true);
    readAs(bytes, fileSchema, false);
    return 0;
}

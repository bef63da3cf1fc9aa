#include "lumvar/protocol_requests.h"

#include <exception>

#include "lumvar/log_writer.h"
#include "lumvar/result_codes.h"
#include "lumvar/server_errors.h"
#include "platform/paths.h"
#include "platform/text.h"
#include "protocol_document.h"
#include "protocol_replies.h"
#include "server_poster.h"

namespace lumvar {

namespace {

constexpr const char* kListSchema = "lumvar_getfilelist_A_v1.rng";
constexpr const char* kFileSchema = "lumvar_getfile_A_v1.rng";

std::string schemaFile(const Config& config, const char* name) {
    return platform::paths::fromWindowsAnsi(config.getRelaxNGPath() + name).string();
}

// Builds the document, posts it and hands the validated reply to read; every
// failure is logged under the operation's name.
template <class Read>
int exchange(const char16_t* operation, const Config& config, const ReplyProgress& progress, RequestKind kind,
             const std::vector<const FileRecord*>& files, const char* schema, Read read) {
    const RequestDocument document = BuildRequestDocument(config, kind, files);
    if (document.outcome == RequestDocument::Outcome::NoWriter) {
        log::write(log::Level::Error, u"%ls: Chyba při inicializaci XML popisovače.", operation);
        return kBuildRequest;
    }
    if (document.outcome != RequestDocument::Outcome::Built) {
        log::write(log::Level::Error, u"%ls: Nepodařilo se sestavit žádost", operation);
        return kBuildRequest;
    }
    try {
        RequestPoster poster(config.getAgentName(), config.getAddress());
        const ServerReply reply = poster.post(progress, document.utf8, schemaFile(config, schema));
        if (const int rc = ReadReplyStatus(reply, operation)) return rc;
        return read(reply);
    } catch (const HTTPSException& e) {
        log::write(log::Level::Error, u"%ls: Nastala vyjímka v HTTP(S) komunikaci: %ls.", operation,
                   platform::text::fromUtf8(e.what()).c_str());
        return kTransport;
    } catch (const XMLException& e) {
        log::write(log::Level::Error, u"%ls: Nastala vyjímka ve validaci XML odpovědi: %ls.", operation,
                   platform::text::fromUtf8(e.what()).c_str());
        return kBadReply;
    } catch (const std::exception& e) {
        log::write(log::Level::Error, u"%ls: Nastala neidentifikovatelná vyjímka: %hs.", operation, e.what());
        return kOtherException;
    }
}

int nullArgument(const char16_t* operation) {
    log::write(log::Level::Error, u"%ls: Fuknce byla zavolána s neplatnými parametry.", operation);
    return kNullArgument;
}

}  // namespace

int GetFileList(const Config& config, const ReplyProgress& progress, UpdateList* serverList,
                std::vector<std::uint32_t>* serverVersion) {
    if (!serverList || !serverVersion) return nullArgument(u"GetFileList");
    log::write(log::Level::Info, u"GetFileList: Creating RequestPoster object. Address= %hs, AgentName=%ls",
               config.getAddressP(), config.getAgentNameP());
    return exchange(u"GetFileList", config, progress, RequestKind::FileList, {}, kListSchema,
                    [&](const ServerReply& reply) { return ReadFileListReply(reply, *serverList, *serverVersion); });
}

int GetFile(const Config& config, const ReplyProgress& progress, DownloadItem* item) {
    if (!item) return nullArgument(u"GetFile");
    return exchange(u"GetFile", config, progress, RequestKind::OneFile, {&item->record}, kFileSchema,
                    [&](const ServerReply& reply) { return ReadFileReply(reply, *item); });
}

int GetZipFile(const Config& config, const ReplyProgress& progress, std::vector<DownloadItem>* items) {
    if (!items) return nullArgument(u"GetZipFile");
    std::vector<const FileRecord*> files;
    for (const DownloadItem& item : *items) files.push_back(&item.record);
    return exchange(u"GetZipFile", config, progress, RequestKind::Zip, files, kFileSchema,
                    [&](const ServerReply& reply) { return ReadZipReply(reply, *items); });
}

}  // namespace lumvar

#include "lumvar/log_writer.h"
#include "lumvar/result_codes.h"
#include "lumvar/server_error.h"
#include "platform/text.h"
#include "protocol_replies.h"

namespace lumvar {

int ReadReplyStatus(const ServerReply& reply, const char16_t* operation) {
    const xmlNodePtr body = reply.first("//Body");
    const std::string status = AttributeText(body, "status", "unspecified");
    if (status == "error") {
        const xmlNodePtr error = body ? reply.first("./Error", body) : nullptr;
        const xmlNodePtr code = error ? reply.first("./Code", error) : nullptr;
        const xmlNodePtr message = error ? reply.first("./Message", error) : nullptr;
        const std::u16string codeText = platform::text::fromUtf8(code ? NodeText(code) : "unknown");
        const std::u16string messageText = platform::text::fromUtf8(message ? NodeText(message) : "unspecified");
        SetLastServerError(codeText + u" : " + messageText);
        log::write(log::Level::Error, u"%ls: Server vrátil chybovou odpověď %ls : %ls", operation, codeText.c_str(),
                   messageText.c_str());
        return kServerError;
    }
    const std::vector<xmlNodePtr> ok = reply.nodes("//OK");
    if (status != "ok" || ok.size() != 1) {
        log::write(log::Level::Error, u"%ls: Odpověď neobsahuje element OK.", operation);
        return kBadReply;
    }
    if (AttributeText(ok.front(), "repo_update", "") == "yes") {
        log::write(log::Level::Info, u"%ls: Probíhá údržba repozitáře.", operation);
        return kMaintenance;
    }
    return kOk;
}

}  // namespace lumvar

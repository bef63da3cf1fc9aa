// Reading the update server's validated replies into the client's records.
// Each logs its failure and returns a result code.
#pragma once

#include <cstdint>
#include <vector>

#include "lumvar/protocol_requests.h"
#include "server_reply.h"

namespace lumvar {

// kOk when Body's status is "ok" with one OK element and no maintenance;
// else kMaintenance, kServerError (the last server error set) or kBadReply.
// operation names the request in the log ("GetFileList", ...).
int ReadReplyStatus(const ServerReply& reply, const char16_t* operation);

// The body of the replies past their status.
int ReadFileListReply(const ServerReply& reply, UpdateList& list, std::vector<std::uint32_t>& version);
int ReadFileReply(const ServerReply& reply, DownloadItem& item);
int ReadZipReply(const ServerReply& reply, std::vector<DownloadItem>& items);

}  // namespace lumvar

// The three requests to the update server: the file list, one file, and
// several files in one ZIP. Each logs its failures and returns a result
// code (result_codes.h); none throws.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "lumvar/config.h"
#include "lumvar/update_list.h"

namespace lumvar {

// Called while a reply arrives: the length the server announced, the bytes received so far.
using ReplyProgress = std::function<void(std::uint32_t announced, std::uint32_t received)>;

// A file to fetch and, once fetched, its bytes.
struct DownloadItem {
    FileRecord record;
    std::string data;
};

// The server's list into serverList and its version (the numbers of the
// Version text) into serverVersion. kNullArgument for a null pointer.
int GetFileList(const Config& config, const ReplyProgress& progress, UpdateList* serverList,
                std::vector<std::uint32_t>* serverVersion);
// The fetched bytes must have the record's size, else kBadReply.
int GetFile(const Config& config, const ReplyProgress& progress, DownloadItem* item);
// All items in one request; the archive's entries must be the items, in
// order, each of its record's size.
int GetZipFile(const Config& config, const ReplyProgress& progress, std::vector<DownloadItem>* items);

}  // namespace lumvar

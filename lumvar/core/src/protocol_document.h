// The request documents sent to the update server.
#pragma once

#include <string>
#include <vector>

#include "lumvar/config.h"
#include "lumvar/update_list.h"

namespace lumvar {

enum class RequestKind { FileList, OneFile, Zip };

struct RequestDocument {
    enum class Outcome { Built, NoWriter, StepFailed } outcome = Outcome::StepFailed;
    std::string utf8;
};

// Tesk/Request/Header (Type, SubType, ClientApp, DistroID)/Body; for the
// getfile kinds the files' locations and paths ('/' between parts, UTF-8).
RequestDocument BuildRequestDocument(const Config& config, RequestKind kind,
                                     const std::vector<const FileRecord*>& files);

}  // namespace lumvar

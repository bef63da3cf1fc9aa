// openssl as the judge of what the system makes, run in a folder of the
// test's that holds the files it reads and writes.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "testkit/process.h"

namespace testkit {

class OpensslPeer {
public:
    using Bytes = std::vector<std::uint8_t>;

    // Makes the folder when it is missing.
    explicit OpensslPeer(std::filesystem::path folder);

    const std::filesystem::path& folder() const noexcept { return m_folder; }
    void write(const std::string& name, const Bytes& bytes) const;
    Bytes read(const std::string& name) const;
    RunResult openssl(std::vector<std::string> args) const;

    // Empty when `openssl cms -verify` accepts the DER message, trusting
    // what `trust` names (-CAfile, -certfile and the like), and gives back
    // `content`, which is written beside it for a detached message; else
    // openssl's complaint.
    std::string cmsVerifyFails(const Bytes& message, const Bytes& content, bool detached,
                               const std::vector<std::string>& trust) const;

private:
    std::filesystem::path m_folder;
};

}  // namespace testkit

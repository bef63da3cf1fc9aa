// The `openssl` command line as the judge of what the PKI maker made: files
// go into a folder of the test's own, the peer runs there.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "testkit/pki.h"
#include "testkit/platform_root.h"
#include "testkit/process.h"

namespace testkit::pki {

class OpensslPeer {
public:
    const PlatformRoot& folder() const noexcept { return m_root; }
    // Writes a file into the folder and gives its name.
    std::string write(std::string_view name, const Bytes& der) const;
    std::string write(std::string_view name, std::string_view text) const;
    // `openssl <arguments>` in the folder.
    RunResult run(const std::vector<std::string>& arguments) const;
    // `openssl x509 -text -noout`.
    std::string text(const Certificate& certificate) const;
    // The value of one extension (named as asn1parse names it, or by OID)
    // as `openssl asn1parse` reads it.
    std::string extension(const Certificate& certificate, std::string_view name) const;

private:
    PlatformRoot m_root;
};

// Upper-case hexadecimal, as `openssl` prints serials.
std::string hex(const Bytes& bytes);

}  // namespace testkit::pki

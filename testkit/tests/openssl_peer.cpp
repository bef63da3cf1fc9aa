#include "openssl_peer.h"

#include <gtest/gtest.h>

#include <sstream>
#include <stdexcept>

namespace testkit::pki {

std::string OpensslPeer::write(std::string_view name, const Bytes& der) const {
    return write(name, std::string_view(reinterpret_cast<const char*>(der.data()), der.size()));
}

std::string OpensslPeer::write(std::string_view name, std::string_view text) const {
    m_root.write(name, text);
    return std::string(name);
}

RunResult OpensslPeer::run(const std::vector<std::string>& arguments) const {
    std::vector<std::string> argv{"openssl"};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    return testkit::run(argv, m_root.path());
}

std::string OpensslPeer::text(const Certificate& certificate) const {
    const auto file = write("shown.der", certificate.der());
    const auto result = run({"x509", "-inform", "DER", "-in", file, "-text", "-noout"});
    EXPECT_EQ(0, result.exitCode) << result.err;
    return result.out;
}

// asn1parse lists the extension's OID, maybe its critical flag, then the
// OCTET STRING whose offset -strparse takes.
std::string OpensslPeer::extension(const Certificate& certificate, std::string_view name) const {
    const auto file = write("parsed.der", certificate.der());
    const auto listing = run({"asn1parse", "-inform", "DER", "-in", file});
    std::istringstream lines(listing.out);
    const std::string objectSuffix = ":" + std::string(name);
    bool found = false;
    for (std::string line; std::getline(lines, line);) {
        while (!line.empty() && line.back() == ' ') line.pop_back();
        if (!found) {
            found = line.find("OBJECT") != std::string::npos && line.ends_with(objectSuffix);
        } else if (line.find("OCTET STRING") != std::string::npos) {
            const std::string offset = line.substr(0, line.find(':'));
            const auto value = run({"asn1parse", "-inform", "DER", "-in", file, "-i", "-strparse", offset});
            EXPECT_EQ(0, value.exitCode) << value.err;
            return value.out;
        }
    }
    ADD_FAILURE() << "no extension " << name << " in\n" << listing.out;
    return {};
}

std::string hex(const Bytes& bytes) {
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    for (const auto b : bytes) {
        out += digits[b >> 4];
        out += digits[b & 0xF];
    }
    return out;
}

}  // namespace testkit::pki

// A PKCS#10 request as openssl reads it: verified, printed (`openssl req
// -text` with the subject's string types) and parsed (`openssl
// asn1parse`). Shared by the tests of the session and of the COM object.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "testkit/platform_root.h"
#include "testkit/process.h"
#include "win32/types.h"

namespace pentak_test {

struct JudgedRequest {
    std::vector<BYTE> der;
    std::vector<std::string> subject;  // "C=PRINTABLESTRING:CZ", in order
    std::string text;                  // openssl req -text
    std::string asn1;   // openssl asn1parse -i
    bool verified = false;

    // The OIDs (or openssl's names of them) of the parsed objects at that
    // nesting depth, in order: 4 the key's algorithm and the request's
    // attributes, 7 the requested extensions.
    std::vector<std::string> objectsAtDepth(int depth) const {
        std::vector<std::string> found;
        std::istringstream lines(asn1);
        const std::string mark = "d=" + std::to_string(depth) + " ";
        for (std::string line; std::getline(lines, line);) {
            if (line.find(mark) == std::string::npos || line.find("OBJECT") == std::string::npos) continue;
            found.push_back(line.substr(line.rfind(':') + 1));
        }
        return found;
    }
};

inline bool contains(const std::vector<BYTE>& haystack, const std::vector<BYTE>& needle) {
    return std::search(haystack.begin(), haystack.end(), needle.begin(), needle.end()) != haystack.end();
}

// The DER request written as <name>.der under the machine's root and read
// by openssl.
inline JudgedRequest judgeRequestDer(const testkit::PlatformRoot& machine, std::vector<BYTE> der,
                                     const std::string& name = "request") {
    JudgedRequest judged;
    judged.der = std::move(der);
    machine.write(name + ".der", std::string(judged.der.begin(), judged.der.end()));
    const auto printed = testkit::run({"openssl", "req", "-inform", "DER", "-in", name + ".der", "-verify", "-noout",
                                       "-text", "-nameopt", "multiline,show_type,utf8"},
                                      machine.path());
    judged.verified = printed.exitCode == 0 && printed.err.find("verify OK") != std::string::npos;
    EXPECT_TRUE(judged.verified) << printed.err;
    judged.text = printed.out;
    const auto subject = testkit::run({"openssl", "req", "-inform", "DER", "-in", name + ".der", "-noout", "-subject",
                                       "-nameopt", "sep_multiline,show_type,utf8,-esc_msb,sname"},
                                      machine.path());
    std::istringstream lines(subject.out);
    for (std::string line; std::getline(lines, line);)
        if (line.starts_with("    ")) judged.subject.push_back(line.substr(4));
    const auto parsed =
        testkit::run({"openssl", "asn1parse", "-inform", "DER", "-in", name + ".der", "-i"}, machine.path());
    EXPECT_EQ(0, parsed.exitCode) << parsed.err;
    judged.asn1 = parsed.out;
    return judged;
}

}  // namespace pentak_test

// Test policies made by testkit's policy maker from the .cnf files in
// data/policies, or from variants of them with lines replaced; openssl's
// asn1parse and dgst judge what the decoder reads of them. Each test runs in
// a fresh platform root with errors and warnings logged.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "common/log.h"
#include "common/strings.h"
#include "testkit/platform_root.h"
#include "testkit/policy.h"
#include "testkit/process.h"

namespace policy_test {

using Bytes = std::vector<BYTE>;

using testkit::policy::Edit;

// An element as openssl asn1parse reports it.
struct ParsedElement {
    std::size_t offset, header, length;
    int depth;
    std::string text;  // "cons: SEQUENCE", "prim: OBJECT :sha256"
    Bytes tlv(const Bytes& der) const { return Bytes(&der[offset], &der[offset] + header + length); }
};

// A kept log line: "<time> TAG text\n".
inline bool IsLogLine(const std::string& kept, DWORD level, const std::string& text) {
    return kept.ends_with("> " + std::string(LevelTag(level)) + " " + text + "\n");
}

inline std::vector<std::string> LogLines() {
    std::vector<std::string> lines;
    TLogStrVect::Instance()->GetAll(lines);
    return lines;
}

class PolicyTest : public ::testing::Test {
protected:
    void SetUp() override {
        TESTKIT_REQUIRE_PROGRAM("openssl");
        TLogStrVect::ReleaseInstance();
        TLogStrVect::Instance()->SetMask(sgLogLevelErrs | sgLogLevelWarns);
    }
    void TearDown() override { TLogStrVect::ReleaseInstance(); }

    Bytes Make(const std::string& cnf, const std::vector<Edit>& edits = {}) {
        return testkit::policy::fromGenconf(Folder() / cnf, edits, m_root.path());
    }

    std::vector<ParsedElement> Parse(const Bytes& der) {
        const auto file = m_root.write("parse.der", std::string(der.begin(), der.end()));
        std::istringstream lines(testkit::run({"openssl", "asn1parse", "-inform", "DER", "-in", file.string()}).out);
        static const std::regex pattern(R"(\s*(\d+):d=(\d+)\s+hl=\s*(\d+)\s+l=\s*(\d+)\s+(.*))");
        std::vector<ParsedElement> elements;
        std::smatch m;
        for (std::string line; std::getline(lines, line);)
            if (std::regex_match(line, m, pattern))
                elements.push_back({std::stoul(m[1].str()), std::stoul(m[3].str()), std::stoul(m[4].str()),
                                    std::stoi(m[2].str()), m[5].str()});
        return elements;
    }

    // openssl's digest of the hash algorithm's TLV followed by the policy
    // information's TLV; empty for an algorithm other than SHA-1 or SHA-256.
    Bytes OpensslPolicyHash(const Bytes& der) {
        const auto elements = Parse(der);
        std::vector<ParsedElement> top;
        for (const ParsedElement& e : elements)
            if (e.depth == 1) top.push_back(e);
        if (top.size() < 2 || elements.size() < 3) return {};
        const std::string& algorithm = elements[2].text;
        const char* digest = algorithm.ends_with(":sha256") ? "-sha256" : algorithm.ends_with(":sha1") ? "-sha1" : "";
        if (!*digest) return {};
        Bytes data = top[0].tlv(der);
        const Bytes info = top[1].tlv(der);
        data.insert(data.end(), info.begin(), info.end());
        testkit::RunOptions options;
        options.input.assign(data.begin(), data.end());
        const std::string out = testkit::run({"openssl", "dgst", digest, "-binary"}, options).out;
        return Bytes(out.begin(), out.end());
    }

    // DER from a .cnf text; it may include the files of the data folder.
    Bytes MakeFromText(const std::string& text) {
        return testkit::policy::fromGenconfText(text, Folder(), m_root.path());
    }

private:
    static std::filesystem::path Folder() { return std::filesystem::path(COMMON_TEST_DATA) / "policies"; }

    testkit::PlatformRoot m_root;
};

}  // namespace policy_test

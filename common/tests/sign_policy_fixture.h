// Test policies made by `openssl asn1parse -genconf` from the .cnf files in
// data/policies, or from variants of them with lines replaced, with
// signPolicyHash set to `openssl dgst` over the TLVs of signPolicyHashAlg
// and signPolicyInfo as openssl's own asn1parse locates them. Each test
// runs in a fresh platform root with errors and warnings logged.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "common/log.h"
#include "common/strings.h"
#include "testkit/platform_root.h"
#include "testkit/process.h"

namespace policy_test {

using Bytes = std::vector<BYTE>;

// One line of a .cnf and what it becomes in a variant.
struct Edit {
    std::string line;
    std::string replacement;
};

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
        std::string text = testkit::readFile(Folder() / cnf);
        for (const Edit& edit : edits) {
            const std::size_t at = text.find(edit.line + "\n");
            if (at == std::string::npos) throw std::invalid_argument(cnf + " has no line " + edit.line);
            text.replace(at, edit.line.size(), edit.replacement);
        }
        const auto source = m_root.write("variant.cnf", text);
        const Bytes draft = Generate(source, std::string(64, '0'));
        const Bytes hash = OpensslPolicyHash(draft);
        return hash.empty() ? draft : Generate(source, BytesToHex(hash.data(), hash.size()));
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
    Bytes MakeFromText(const std::string& text) { return Generate(m_root.write("inline.cnf", text), ""); }

private:
    static std::filesystem::path Folder() { return std::filesystem::path(COMMON_TEST_DATA) / "policies"; }

    Bytes Generate(const std::filesystem::path& source, const std::string& hashHex) {
        const auto out = m_root.path() / "policy.der";
        testkit::RunOptions options;
        options.cwd = Folder();
        options.env["POLICY_HASH"] = hashHex;
        const auto result =
            testkit::run({"openssl", "asn1parse", "-genconf", source.string(), "-noout", "-out", out.string()}, options);
        if (result.exitCode != 0) throw std::runtime_error("genconf failed: " + result.err);
        const std::string der = testkit::readFile(out);
        return Bytes(der.begin(), der.end());
    }

    testkit::PlatformRoot m_root;
};

}  // namespace policy_test

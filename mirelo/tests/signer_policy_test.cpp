// The signature policy of the signer as a caller meets it: the file forms it
// loads, the fields it reports (held against openssl's reading of the same
// DER), the policies it refuses and the damaged files that leave the loaded
// policy in force.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <optional>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "platform/paths.h"
#include "signer.h"
#include "testkit/platform_root.h"
#include "testkit/policy.h"
#include "testkit/process.h"
#include "testkit/scoped_env.h"

namespace {

using testkit::Bytes;
namespace policy = testkit::policy;

const std::filesystem::path kPolicySource = MIRELO_TEST_DATA "/contracts_policy.cnf";
const char* const kSignerOnly = "certRef = EXPLICIT:0,ENUMERATED:1";
std::string toText(const Bytes& bytes) { return {bytes.begin(), bytes.end()}; }

// The value texts openssl prints for the primitives of a DER file, in order.
struct Asn1Line {
    int depth;
    std::string type;
    std::string value;
};

std::vector<Asn1Line> asn1parse(const std::filesystem::path& der) {
    const auto result = testkit::run({"openssl", "asn1parse", "-inform", "DER", "-in", der.string()});
    EXPECT_EQ(0, result.exitCode) << result.err;
    std::vector<Asn1Line> lines;
    const std::regex line(R"(d=(\d+)\s+hl=\s*\d+\s+l=\s*\d+\s+prim:\s+([A-Z0-9 ]*[A-Z0-9])\s*(\[HEX DUMP\])?:(.*))");
    std::istringstream in(result.out);
    for (std::string text; std::getline(in, text);) {
        if (std::smatch m; std::regex_search(text, m, line)) lines.push_back({std::stoi(m[1]), m[2], m[4]});
    }
    return lines;
}

std::vector<std::string> valuesOf(const std::vector<Asn1Line>& lines, const std::string& type) {
    std::vector<std::string> values;
    for (const auto& line : lines) {
        if (line.type == type) values.push_back(line.value);
    }
    return values;
}

std::chrono::sys_seconds instantOf(const std::string& text) {
    tm fields{};
    EXPECT_TRUE(strptime(text.c_str(), "%Y%m%d%H%M%S", &fields)) << text;
    return std::chrono::sys_seconds(std::chrono::seconds(timegm(&fields)));
}

class SignerPolicy : public ::testing::Test {
protected:
    testkit::PlatformRoot root;
    ScopedEnv prague{"TZ", "Europe/Prague"};
    TSigner signer;

    void SetUp() override { signer.SetCfgLanguageNumber(2); }

    std::filesystem::path write(const std::string& name, const std::string& content) {
        return root.write("policies/" + name, content);
    }
    // The policy source, with the mandated certificate reference 1 (the
    // signer's only) or 2 (the full path).
    Bytes fromSource(const std::string& certRef) {
        std::filesystem::create_directories(root.path() / "scratch");
        return policy::fromGenconf(kPolicySource, {{kSignerOnly, "certRef = EXPLICIT:0,ENUMERATED:" + certRef}},
                                   root.path() / "scratch");
    }
    std::string base64Of(const std::filesystem::path& der) {
        const auto result = testkit::run({"openssl", "base64", "-in", der.string()});
        EXPECT_EQ(0, result.exitCode) << result.err;
        return result.out;
    }
    std::string value(LONG selector) {
        std::string text = "unset";
        EXPECT_TRUE(signer.GetSignPolicyValue(selector, text)) << selector << ": " << signer.GetLastErrorStr();
        return text;
    }
    bool loadDer(const std::filesystem::path& file) {
        signer.SetFormatOptions(kFormatInputDer);
        return signer.SetSignPolicyFile(platform::paths::toAnsi(file));
    }
};

TEST_F(SignerPolicy, DerPemAndBareBase64LoadAlikeAndEveryFieldMatchesOpensslsReading) {
    TESTKIT_REQUIRE_PROGRAM("openssl");
    const auto der = write("contracts.der", toText(fromSource("1")));
    const std::string base64 = base64Of(der);
    const auto pem = write("contracts.pem", "-----BEGIN SIGNATURE POLICY-----\n" + base64 + "-----END SIGNATURE POLICY-----\n");
    const auto bare = write("contracts.b64", base64);

    ASSERT_TRUE(loadDer(der)) << signer.GetLastErrorStr();
    EXPECT_EQ(0, signer.GetLastErrorNumber());
    std::vector<std::string> fromDer;
    for (LONG selector = 0; selector <= 24; ++selector) fromDer.push_back(value(selector));
    for (const auto& text : {pem, bare}) {
        signer.SetFormatOptions(0);
        ASSERT_TRUE(signer.SetSignPolicyFile(platform::paths::toAnsi(text))) << text << ": " << signer.GetLastErrorStr();
        EXPECT_EQ(platform::paths::toAnsi(text), signer.GetSignPolicyFile());
        for (LONG selector = 0; selector <= 24; ++selector) EXPECT_EQ(fromDer[selector], value(selector)) << selector;
    }

    const auto lines = asn1parse(der);
    const auto oids = valuesOf(lines, "OBJECT");
    const auto times = valuesOf(lines, "GENERALIZEDTIME");
    const auto hashes = valuesOf(lines, "OCTET STRING");
    ASSERT_GE(oids.size(), 3u);
    ASSERT_EQ(3u, times.size());
    ASSERT_EQ(1u, hashes.size());
    EXPECT_EQ(oids[1], fromDer[0]) << "the policy identifier follows the hash algorithm";
    EXPECT_EQ(oids[0], fromDer[22]) << "openssl's short name of the digest is the system's";
    EXPECT_EQ("2.16.840.1.101.3.4.2.1", fromDer[23]);
    std::string hash = fromDer[24];
    std::erase(hash, ' ');
    EXPECT_EQ(hashes[0], hash);
    for (const auto& text : valuesOf(lines, "UTF8STRING")) {
        if (text == "Tesk Contracts Office") EXPECT_NE(std::string::npos, fromDer[19].find("CN=" + text));
        else EXPECT_EQ(text, fromDer[20]);
    }
    EXPECT_EQ("http://policies.tesk.example/contracts.der", fromDer[21]);

    // Issue (winter), start (summer), end (winter): six forms each.
    const int offsets[] = {1, 2, 1};
    for (int i = 0; i < 3; ++i) {
        const LONG first = 1 + 6 * i;
        EXPECT_EQ(times[i], fromDer[first] + "Z");
        EXPECT_EQ(std::chrono::hours(offsets[i]), instantOf(fromDer[first + 3]) - instantOf(fromDer[first]))
            << "the local form is off by the offset the zone had at that date: " << fromDer[first + 3];
        for (LONG form : {1, 2, 4, 5}) EXPECT_FALSE(fromDer[first + form].empty()) << first + form;
        EXPECT_NE(fromDer[first + 1], fromDer[first + 4]);
    }

    for (LONG selector : {-1, 25}) {
        std::string text = "kept";
        EXPECT_FALSE(signer.GetSignPolicyValue(selector, text));
        EXPECT_EQ(30, signer.GetLastErrorNumber());
        EXPECT_EQ("kept", text);
    }

    signer.SetLastErrorNumber(77);
    EXPECT_TRUE(signer.SetSignPolicyFile(""));
    EXPECT_FALSE(signer.IsSignPolicy());
    EXPECT_EQ(77, signer.GetLastErrorNumber()) << "unloading records nothing";
    std::string text;
    EXPECT_FALSE(signer.GetSignPolicyValue(0, text));
    EXPECT_EQ(3200, signer.GetLastErrorNumber());
}

TEST_F(SignerPolicy, APolicyTheSignerCannotHonourIsRefusedAndUnloadsTheOneBefore) {
    TESTKIT_REQUIRE_PROGRAM("openssl");
    policy::SignaturePolicy usable;
    const auto good = write("good.der", toText(policy::encode(usable)));
    policy::SignaturePolicy contentTimeStamp = usable;
    contentTimeStamp.mandatedSignedAttrs.push_back("1.2.840.113549.1.9.16.2.6");  // content reference
    policy::SignaturePolicy archiveStamp = usable;
    archiveStamp.mandatedUnsignedAttrs.push_back("1.2.840.113549.1.9.16.2.27");  // archive time stamp
    const std::vector<std::filesystem::path> refused = {
        write("content_reference.der", toText(policy::encode(contentTimeStamp))),
        write("archive.der", toText(policy::encode(archiveStamp))),
        write("full_path.der", toText(fromSource("2"))),
    };
    for (const auto& file : refused) {
        ASSERT_TRUE(loadDer(good)) << signer.GetLastErrorStr();
        EXPECT_FALSE(loadDer(file)) << file;
        EXPECT_EQ(3200, signer.GetLastErrorNumber()) << file;
        EXPECT_EQ("Cannot use the required signature policy.", signer.GetLastErrorStr());
        EXPECT_FALSE(signer.IsSignPolicy()) << file;
        EXPECT_EQ("", signer.GetSignPolicyFile());
    }
    policy::SignaturePolicy stamped = usable;
    stamped.mandatedSignedAttrs.push_back(policy::kSigningTime);
    stamped.mandatedUnsignedAttrs.push_back(policy::kTimeStampToken);
    EXPECT_TRUE(loadDer(write("stamped.der", toText(policy::encode(stamped))))) << "attributes the signer makes";
}

TEST_F(SignerPolicy, DamagedFilesGetTheirNumberAndLeaveTheLoadedPolicyInForce) {
    policy::SignaturePolicy usable;
    const Bytes der = policy::encode(usable);
    const auto good = write("good.der", toText(der));
    Bytes truncated(der.begin(), der.begin() + static_cast<std::ptrdiff_t>(der.size() / 2));
    Bytes nested(40000, 0x30);  // SEQUENCE headers without end
    for (std::size_t i = 1; i < nested.size(); i += 2) nested[i] = 0x80;
    struct Case {
        std::string name;
        std::optional<std::string> content;  // none: no such file
        LONG options;
        LONG number;
    };
    const std::vector<Case> cases = {
        {"missing.der", std::nullopt, kFormatInputDer, 3202},
        {"huge.der", std::string(5u << 20, '\x30'), kFormatInputDer, 3202},
        {"not_base64.txt", "*** ??? !!! ***", 0, 5},
        {"truncated.der", toText(truncated), kFormatInputDer, 3200},
        {"nested.der", toText(nested), kFormatInputDer, 3200},
        {"certificate_like.der", std::string("\x30\x03\x02\x01\x01", 5), kFormatInputDer, 3200},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(loadDer(good));
        const std::string oid = value(0);
        const auto file = c.content ? write(c.name, *c.content) : root.path() / c.name;
        signer.SetFormatOptions(c.options);
        EXPECT_FALSE(signer.SetSignPolicyFile(platform::paths::toAnsi(file))) << c.name;
        EXPECT_EQ(c.number, signer.GetLastErrorNumber()) << c.name;
        EXPECT_TRUE(signer.IsSignPolicy()) << c.name;
        EXPECT_EQ(platform::paths::toAnsi(good), signer.GetSignPolicyFile()) << c.name;
        EXPECT_EQ(oid, value(0)) << c.name;
    }
}

}  // namespace

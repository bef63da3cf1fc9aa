// The values of the signatures in the signer's message as a caller reads
// them: messages signed by openssl (two signers, one added by -resign), and
// a time-stamp token from the test TSA held against openssl's printout of
// the same reply.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <ctime>
#include <regex>
#include <string>
#include <vector>

#include "common/cms_sign.h"
#include "common/cryptoapi.h"
#include "common/sign_policy_decoder.h"
#include "openssl_printout.h"
#include "signer.h"
#include "signing_support.h"
#include "testkit/csp.h"
#include "testkit/pki.h"
#include "testkit/policy.h"
#include "testkit/platform_root.h"
#include "testkit/process.h"
#include "testkit/tsa.h"
#include "testkit/scoped_env.h"

namespace {

using testkit::Bytes;
using namespace openssl_printout;

std::string run(const std::vector<std::string>& argv) {
    const auto result = testkit::run(argv);
    EXPECT_EQ(0, result.exitCode) << argv[0] << " " << argv[1] << ": " << result.err;
    return result.out;
}

using signing_support::bytesOf;

// The zone's offset in seconds at that moment, as date(1) reckons it.
long long pragueOffsetAt(long long unixTime) {
    const std::string zone = run({"date", "-d", "@" + std::to_string(unixTime), "+%z"});
    const int sign = zone[0] == '-' ? -1 : 1;
    return sign * (std::stoll(zone.substr(1, 2)) * 3600 + std::stoll(zone.substr(3, 2)) * 60);
}

class SignerValues : public ::testing::Test {
protected:
    testkit::PlatformRoot root;
    ScopedEnv prague{"TZ", "Europe/Prague"};
    ScopedEnv modules{"PLATFORM_MODULE_PATH", TESK_TTI_DIR};
    testkit::pki::Hierarchy pki = testkit::pki::Hierarchy::make();
    TSigner signer;

    void SetUp() override {
        TESTKIT_REQUIRE_PROGRAM("openssl");
        signer.SetCfgLanguageNumber(2);
    }
    std::string path(const std::string& name) { return (root.path() / name).string(); }
    // document.txt signed by the commercial user with SHA-256, then by the
    // qualified one added to the same message.
    std::string signTwice() {
        root.write("document.txt", "Smlouva o dilo\n");
        const auto first = pki.commercial.write(root.path(), "commercial");
        const auto second = pki.qualified.write(root.path(), "qualified");
        run({"openssl", "cms", "-sign", "-binary", "-nodetach", "-in", path("document.txt"), "-signer",
             first.certificatePem.string(), "-inkey", first.keyPem.string(), "-md", "sha256", "-outform", "DER",
             "-out", path("one.p7s")});
        run({"openssl", "cms", "-resign", "-inform", "DER", "-in", path("one.p7s"), "-signer",
             second.certificatePem.string(), "-inkey", second.keyPem.string(), "-md", "sha256", "-outform", "DER",
             "-out", path("two.p7s")});
        return path("two.p7s");
    }
    std::string text(LONG index, LONG selector) {
        std::string out = "unset";
        EXPECT_TRUE(signer.Pkcs7GetSignerTimeStampValue(index, selector, out))
            << selector << ": " << signer.GetLastErrorNumber() << " " << signer.GetLastErrorStr();
        return out;
    }
};

TEST_F(SignerValues, EachSignerOfAnOpensslMessageGivesItsAlgorithmsAndSigningTimeInUtcAndLocalTime) {
    const std::string message = signTwice();
    ASSERT_EQ(0u, signer.Pkcs7().Open(bytesOf(testkit::readFile(message))));

    LONG count = 0;
    ASSERT_TRUE(signer.Pkcs7GetSignerCount(count));
    EXPECT_EQ(2, count);
    const std::string printout = run({"openssl", "cms", "-cmsout", "-print", "-inform", "DER", "-in", message});
    std::vector<std::string> signingTimes;
    const std::regex utcTime("UTCTIME:([^\n]*)");
    for (auto it = std::sregex_iterator(printout.begin(), printout.end(), utcTime); it != std::sregex_iterator(); ++it) {
        signingTimes.push_back((*it)[1]);
    }
    ASSERT_EQ(2u, signingTimes.size()) << printout;

    for (LONG index = 0; index < 2; ++index) {
        std::string name;
        ASSERT_TRUE(signer.Pkcs7GetSignerHashAlgorithmStr(index, name));
        EXPECT_EQ("sha256", name);
        ASSERT_TRUE(signer.Pkcs7GetSignerAlgorithmStr(index, name));
        EXPECT_EQ("sha256RSA", name);

        DATE utc = 0;
        DATE local = 0;
        ASSERT_TRUE(signer.Pkcs7GetSignerSigningTime(index, utc));
        ASSERT_TRUE(signer.Pkcs7GetSignerSigningTimeLocal(index, local));
        const long long signedAt = unixTimeOf(signingTimes[index]);
        EXPECT_EQ(signedAt, unixTimeOf(utc)) << signingTimes[index];
        EXPECT_EQ(pragueOffsetAt(signedAt), unixTimeOf(local) - unixTimeOf(utc));
    }

    for (LONG index : {2L, -1L}) {
        std::string name = "kept";
        DATE date = 1.5;
        std::string oid;
        const DWORD missing = signer.Pkcs7().GetSignerHashAlgOid(static_cast<DWORD>(index), oid);
        ASSERT_NE(0u, missing);
        EXPECT_FALSE(signer.Pkcs7GetSignerAlgorithmStr(index, name));
        EXPECT_EQ(static_cast<LONG>(missing), signer.GetLastErrorNumber()) << "the message's own number";
        EXPECT_FALSE(signer.Pkcs7GetSignerSigningTime(index, date));
        EXPECT_EQ("kept", name);
        EXPECT_EQ(1.5, date);
    }
    EXPECT_TRUE(signer.Pkcs7Clear());
    EXPECT_FALSE(signer.Pkcs7GetSignerCount(count));
    EXPECT_EQ(504, signer.GetLastErrorNumber());
    EXPECT_EQ(2, count);
}

TEST_F(SignerValues, TheTimeStampOfASignerGivesTheValuesOpensslPrintsWithTheWholeTwentyByteSerialInDecimal) {
    TESTKIT_REQUIRE_PROGRAM("python3");
    const std::string message = signTwice();
    testkit::TsaSigner tsa(pki.tsa);
    // The TSA takes the next number after the one in its serial file.
    testkit::writeFile(tsa.folder() / "serial", "7FEDCBA98765432100112233445566778899AABB\n");
    run({"openssl", "ts", "-query", "-data", path("document.txt"), "-sha256", "-cert", "-out", path("query.tsq")});
    const Bytes reply = tsa.reply(bytesOf(testkit::readFile(path("query.tsq"))));
    testkit::writeFile(path("reply.tsr"), std::string(reply.begin(), reply.end()));
    run({"openssl", "ts", "-reply", "-in", path("reply.tsr"), "-token_out", "-out", path("token.der")});
    run({"openssl", "cms", "-verify", "-noverify", "-inform", "DER", "-in", path("token.der"), "-binary", "-out",
         path("tstinfo.der")});
    std::vector<BYTE> stamped;
    ASSERT_EQ(0u, TCryptoapi::AddTimeStampToken(0, bytesOf(testkit::readFile(path("token.der"))),
                                                bytesOf(testkit::readFile(message)), stamped));
    ASSERT_EQ(0u, signer.Pkcs7().Open(stamped));

    const std::string printout = run({"openssl", "ts", "-reply", "-in", path("reply.tsr"), "-text"});
    const std::string serial = field(printout, "Serial number").substr(2);
    ASSERT_EQ(40u, serial.size()) << "a 20-byte serial";
    EXPECT_EQ(decimalOfHex(serial), text(0, 0));
    EXPECT_EQ(hexOnly(serial), hexOnly(text(0, 1)));
    EXPECT_EQ(serial.size() / 2 * 3 - 1, text(0, 1).size()) << "a blank between bytes: " << text(0, 1);

    // OpenSSL prints a fraction of the second only when there is one.
    const long long stampedAt = unixTimeOf(field(printout, "Time stamp"));
    EXPECT_EQ(compactTime(stampedAt), text(0, 2));
    EXPECT_EQ(compactTime(stampedAt + pragueOffsetAt(stampedAt)), text(0, 5));
    for (LONG form : {3, 4, 6, 7}) EXPECT_FALSE(text(0, form).empty()) << form;

    EXPECT_EQ(field(printout, "Version"), text(0, 8));
    EXPECT_EQ(field(printout, "Policy OID"), text(0, 9));
    // Both sides may pad the number with leading zero digits.
    const auto significant = [](std::string hex) { return hex.erase(0, hex.find_first_not_of('0')); };
    EXPECT_EQ(significant(hexOnly(field(printout, "Nonce").substr(2))), significant(hexOnly(text(0, 10))));
    const std::string tsaName = field(printout, "TSA");
    const std::string commonName = tsaName.substr(tsaName.find("CN=") + 3);
    EXPECT_NE(std::string::npos, text(0, 11).find("CN=" + commonName)) << text(0, 11) << " / " << tsaName;
    EXPECT_EQ(field(printout, "Hash Algorithm"), text(0, 12));
    EXPECT_EQ("2.16.840.1.101.3.4.2.1", text(0, 13));
    const std::string digest = hexOnly(run({"openssl", "dgst", "-sha256", "-r", path("document.txt")}).substr(0, 64));
    EXPECT_EQ(digest, hexOnly(text(0, 14)));
    EXPECT_EQ(digest.size() / 4 * 5 - 1, text(0, 14).size()) << "groups of two bytes: " << text(0, 14);
    EXPECT_EQ("sha256", text(0, 15));
    EXPECT_EQ("2.16.840.1.101.3.4.2.1", text(0, 16));
    const std::string signed_ = hexOnly(run({"openssl", "dgst", "-sha256", "-r", path("tstinfo.der")}).substr(0, 64));
    EXPECT_EQ(signed_, hexOnly(text(0, 17)));

    std::string out = "kept";
    EXPECT_FALSE(signer.Pkcs7GetSignerTimeStampValue(0, 18, out));
    EXPECT_EQ(30, signer.GetLastErrorNumber());
    EXPECT_FALSE(signer.Pkcs7GetSignerTimeStampValue(1, 0, out)) << "the second signer has no time stamp";
    EXPECT_EQ(904, signer.GetLastErrorNumber());
    EXPECT_EQ("kept", out);
}

TEST_F(SignerValues, ASignatureMadeUnderAPolicyNamesItAndOneMadeWithoutGives3201) {
    testkit::TestCsp csp(testkit::CspKind::Software, root);
    PCCERT_CONTEXT certificate = csp.certificateWithKey("Policy Signer", pki.standardCa);
    CertInfo record;
    ASSERT_EQ(1u, TCryptoapi::GetCertInfo(certificate, record));
    CertFreeCertificateContext(certificate);
    std::filesystem::create_directories(root.path() / "scratch");
    const Bytes der = testkit::policy::fromGenconf(MIRELO_TEST_DATA "/contracts_policy.cnf", {}, root.path() / "scratch");
    SignPolicyInfo policy;
    ASSERT_TRUE(DecodeSignPolicyBuffer(der.data(), static_cast<DWORD>(der.size()), policy));
    std::vector<BYTE> message;
    ASSERT_EQ(0u, TCryptoapi::SignBufferWithCert(record, {record}, "2.16.840.1.101.3.4.2.1",
                                                 kSignSigningTime | kSignPolicyId, bytesOf("contract"), message,
                                                 &policy));
    testkit::writeFile(path("policy.p7s"), std::string(message.begin(), message.end()));
    const std::string printout =
        run({"openssl", "cms", "-cmsout", "-print", "-inform", "DER", "-in", path("policy.p7s")});
    ASSERT_EQ(0u, signer.Pkcs7().Open(message));

    std::string oid;
    ASSERT_TRUE(signer.Pkcs7GetSignerPolicyIdValue(0, 0, oid)) << signer.GetLastErrorStr();
    EXPECT_NE(std::string::npos, printout.find(":" + oid + "\n")) << oid << " in\n" << printout;
    // URI, notice organisation, numbers and text as openssl prints them.
    for (LONG selector : {1, 2, 4}) {
        std::string text;
        ASSERT_TRUE(signer.Pkcs7GetSignerPolicyIdValue(0, selector, text));
        EXPECT_FALSE(text.empty()) << selector;
        EXPECT_NE(std::string::npos, printout.find(":" + text + "\n")) << selector << ": " << text;
    }
    std::string numbers;
    ASSERT_TRUE(signer.Pkcs7GetSignerPolicyIdValue(0, 3, numbers));
    EXPECT_EQ("1", numbers);
    std::string name;
    ASSERT_TRUE(signer.Pkcs7GetSignerPolicyIdValue(0, 5, name));
    EXPECT_EQ("sha256", name);
    std::string hash;
    ASSERT_TRUE(signer.Pkcs7GetSignerPolicyIdValue(0, 7, hash));
    std::string expected;
    for (const auto byte : testkit::policy::policyHash(der)) {
        constexpr char kDigits[] = "0123456789ABCDEF";
        expected += {kDigits[byte >> 4], kDigits[byte & 15]};
    }
    EXPECT_EQ(expected, hexOnly(hash));
    EXPECT_NE(std::string::npos, printout.find("[HEX DUMP]:" + expected));
    ASSERT_TRUE(signer.Pkcs7GetSignerHashAlgorithmStr(0, name));
    EXPECT_EQ("sha256", name);
    std::string kept = "kept";
    EXPECT_FALSE(signer.Pkcs7GetSignerPolicyIdValue(0, 8, kept));
    EXPECT_EQ(30, signer.GetLastErrorNumber());

    ASSERT_EQ(0u, signer.Pkcs7().Open(bytesOf(testkit::readFile(signTwice()))));
    EXPECT_FALSE(signer.Pkcs7GetSignerPolicyIdValue(0, 0, kept));
    EXPECT_EQ(3201, signer.GetLastErrorNumber());
    EXPECT_EQ("kept", kept);
}

}  // namespace

// libostrim.so registered by regsvr32, as the installer does it, and looked
// at from this process afterwards: what the machine's stores hold, what a
// user's program finds and trusts, and what openssl makes of it.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "store_contents.h"
#include "testkit/platform_root.h"
#include "testkit/process.h"
#include "win32/crypt_chain.h"
#include "win32/crypt_string.h"

using namespace ostrim_test;

namespace {

int regsvr32(std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), TESK_REGSVR32);
    const testkit::RunResult result = testkit::run(arguments);
    EXPECT_EQ("", result.err);
    return result.exitCode;
}

// Zero when the certificate chains to a trusted root with no error, as a
// user's program asks.
DWORD chainErrors(const Bytes& der) {
    PCCERT_CONTEXT certificate =
        CertCreateCertificateContext(X509_ASN_ENCODING, der.data(), static_cast<DWORD>(der.size()));
    if (!certificate) return ~0u;
    CERT_CHAIN_PARA para{};
    para.cbSize = sizeof para;
    PCCERT_CHAIN_CONTEXT chain = nullptr;
    DWORD errors = ~0u;
    if (CertGetCertificateChain(nullptr, certificate, nullptr, nullptr, &para, 0, nullptr, &chain)) {
        errors = chain->TrustStatus.dwErrorStatus;
        CertFreeCertificateChain(chain);
    }
    CertFreeCertificateContext(certificate);
    return errors;
}

std::filesystem::path writePem(const std::filesystem::path& file, const Bytes& der) {
    DWORD size = 0;
    CryptBinaryToStringA(der.data(), static_cast<DWORD>(der.size()), CRYPT_STRING_BASE64HEADER, nullptr, &size);
    std::string pem(size, '\0');
    EXPECT_TRUE(CryptBinaryToStringA(der.data(), static_cast<DWORD>(der.size()), CRYPT_STRING_BASE64HEADER,
                                     pem.data(), &size));
    pem.resize(size);
    testkit::writeFile(file, pem);
    return file;
}

std::string opensslText(const std::filesystem::path& pem) {
    const testkit::RunResult result = testkit::run({"openssl", "x509", "-in", pem.string(), "-noout", "-text"});
    EXPECT_EQ(0, result.exitCode) << result.err;
    return result.out;
}

bool has(const std::string& text, const std::string& pattern) { return std::regex_search(text, std::regex(pattern)); }

class Registration : public ::testing::Test {
protected:
    testkit::PlatformRoot m_root;
};

}  // namespace

TEST_F(Registration, RegisteringTwiceLeavesOneCopyOfEachThatUsersTrustAndUnregisteringKeeps) {
    ASSERT_EQ(0, regsvr32({"/s", TESK_OSTRIM_MODULE}));
    ASSERT_EQ(0, regsvr32({"/s", TESK_OSTRIM_MODULE}));

    const std::vector<Bytes> roots = machineStore(u"Root");
    const std::vector<Bytes> cas = machineStore(u"CA");
    ASSERT_EQ(1u, roots.size());
    ASSERT_EQ(2u, cas.size());
    EXPECT_NE(cas[0], cas[1]);
    // Nothing went into the user's own stores, yet the user's view shows it
    // and a chain from either CA ends in the trusted root.
    EXPECT_EQ(roots, certificatesIn(CERT_SYSTEM_STORE_CURRENT_USER, u"Root"));
    EXPECT_EQ(cas, certificatesIn(CERT_SYSTEM_STORE_CURRENT_USER, u"CA"));
    for (const Bytes& ca : cas) EXPECT_EQ(0u, chainErrors(ca));

    ASSERT_EQ(0, regsvr32({"/u", "/s", TESK_OSTRIM_MODULE}));
    EXPECT_EQ(roots, machineStore(u"Root"));
    EXPECT_EQ(cas, machineStore(u"CA"));
}

TEST_F(Registration, InstalledCertificatesHaveTheirKeysConstraintsAndChainForOpenssl) {
    TESTKIT_REQUIRE_PROGRAM("openssl");
    ASSERT_EQ(0, regsvr32({"/s", TESK_OSTRIM_MODULE}));
    const std::vector<Bytes> roots = machineStore(u"Root");
    const std::vector<Bytes> cas = machineStore(u"CA");
    ASSERT_EQ(1u, roots.size());
    ASSERT_EQ(2u, cas.size());
    const auto folder = m_root.path();
    const auto root = writePem(folder / "root.pem", roots[0]);
    const auto older = writePem(folder / "older.pem", cas[0]);
    const auto newer = writePem(folder / "newer.pem", cas[1]);

    const std::string constraints = R"(X509v3 Basic Constraints: critical\s+CA:TRUE)";
    const std::string rootText = opensslText(root);
    EXPECT_TRUE(has(rootText, R"(Public-Key: \(4096 bit\))")) << rootText;
    EXPECT_TRUE(has(rootText, "Signature Algorithm: sha256WithRSAEncryption")) << rootText;
    EXPECT_TRUE(has(rootText, constraints + R"(\s*\n)")) << rootText;
    const std::vector<std::pair<std::filesystem::path, std::string>> expected = {{older, "2048"}, {newer, "4096"}};
    for (const auto& [file, bits] : expected) {
        const std::string text = opensslText(file);
        EXPECT_TRUE(has(text, R"(Public-Key: \()" + bits + R"( bit\))")) << text;
        EXPECT_TRUE(has(text, "Signature Algorithm: sha256WithRSAEncryption")) << text;
        EXPECT_TRUE(has(text, constraints + ", pathlen:1")) << text;
    }

    const testkit::RunResult verified = testkit::run(
        {"openssl", "verify", "-x509_strict", "-CAfile", root.string(), older.string(), newer.string()});
    EXPECT_EQ(0, verified.exitCode) << verified.out << verified.err;
    EXPECT_EQ(older.string() + ": OK\n" + newer.string() + ": OK\n", verified.out);
}

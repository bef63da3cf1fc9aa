// Translation between algorithm OIDs, ALG_IDs and names, and the built-in
// SHA-2 rows that stand in when the system does not know an OID.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

#include "common/cryptoapi.h"
#include "win32/crypt_oid.h"

namespace {

TEST(AlgorithmIds, OidsAndAlgIdsBothWays) {
    EXPECT_EQ(CALG_SHA_256, TCryptoapi::OidToAlgId(szOID_RSA_SHA256RSA));
    EXPECT_EQ(CALG_SHA1, TCryptoapi::OidToAlgId(szOID_RSA_SHA1RSA));
    EXPECT_EQ(CALG_SHA_512, TCryptoapi::OidToAlgId(szOID_NIST_sha512));
    EXPECT_EQ(0u, TCryptoapi::OidToAlgId("1.2.3.4"));
    for (DWORD group : {0u, CRYPT_HASH_ALG_OID_GROUP_ID, CRYPT_SIGN_ALG_OID_GROUP_ID})
        EXPECT_EQ(szOID_NIST_sha256, TCryptoapi::AlgIdToOid(CALG_SHA_256, group)) << group;
    EXPECT_EQ(szOID_OIWSEC_sha1, TCryptoapi::AlgIdToOid(CALG_SHA1, CRYPT_HASH_ALG_OID_GROUP_ID));
    EXPECT_EQ("", TCryptoapi::AlgIdToOid(0x1234, 0));
}

TEST(AlgorithmNames, DisplayNamesAndBack) {
    EXPECT_EQ("sha1", TCryptoapi::GetAlgName(CALG_SHA1, CRYPT_HASH_ALG_OID_GROUP_ID));
    EXPECT_EQ("sha256", TCryptoapi::GetAlgName(CALG_SHA_256, CRYPT_HASH_ALG_OID_GROUP_ID));
    EXPECT_EQ("", TCryptoapi::GetAlgName(0x1234, 0));
    EXPECT_EQ(CALG_SHA_256, TCryptoapi::GetOidName("sha256", CRYPT_HASH_ALG_OID_GROUP_ID));
    EXPECT_EQ(CALG_SHA_384, TCryptoapi::GetOidName("SHA384RSA", CRYPT_SIGN_ALG_OID_GROUP_ID));
    EXPECT_EQ(CALG_SHA_512, TCryptoapi::GetOidName("sha512NoSign", 0));
    EXPECT_EQ(0u, TCryptoapi::GetOidName("no such algorithm", 0));
    // By OID alone: the system's name in any group, else the built-in rows.
    EXPECT_EQ("sha1RSA", TCryptoapi::GetOidName(szOID_RSA_SHA1RSA));
    EXPECT_EQ("sha256RSA", TCryptoapi::GetOidName(szOID_RSA_SHA256RSA));
    EXPECT_EQ("sha256", TCryptoapi::GetOidName(szOID_NIST_sha256));
    EXPECT_EQ("", TCryptoapi::GetOidName("1.2.3.4"));
}

TEST(AlgorithmNames, HashOidCheckWithAndWithoutDefault) {
    EXPECT_EQ(szOID_NIST_sha256, TCryptoapi::CheckHashAlgOid(szOID_NIST_sha256, 0));
    EXPECT_EQ(szOID_OIWSEC_sha1, TCryptoapi::CheckHashAlgOid(szOID_RSA_SHA256RSA, 1));  // a signature, no hash
    EXPECT_EQ("", TCryptoapi::CheckHashAlgOid("1.2.3.4", 0));
    EXPECT_EQ(szOID_OIWSEC_sha1, TCryptoapi::CheckHashAlgOid("1.2.3.4", 1));
}

// A system that does not know sha512RSA answers 0 for it; the built-in rows
// must answer then. The child process registers a record that hides the OID
// from the algorithm groups, as such a system would.
TEST(AlgorithmFallback, BuiltInRowsAnswerWhenTheSystemKnowsTheOidNot) {
    EXPECT_EXIT(
        {
            CRYPT_OID_INFO hidden{};
            hidden.cbSize = sizeof hidden;
            hidden.pszOID = szOID_RSA_SHA512RSA;
            hidden.pwszName = u"not an algorithm here";
            hidden.dwGroupId = CRYPT_EXT_OR_ATTR_OID_GROUP_ID;
            const bool registered = CryptRegisterOIDInfo(&hidden, CRYPT_INSTALL_OID_INFO_BEFORE_FLAG) != FALSE;
            const DWORD system = CertOIDToAlgId(szOID_RSA_SHA512RSA);
            const ALG_ID ours = TCryptoapi::OidToAlgId(szOID_RSA_SHA512RSA);
            std::fprintf(stderr, "registered %d system %u ours %u\n", registered, system, ours);
            std::exit(registered && system == 0 && ours == CALG_SHA_512 ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "registered 1 system 0 ours 32782");
}

}  // namespace

// Hostile DER for every decoder: truncation at every length, lengths and
// counts beyond the input, 10,000-deep nesting and random damage. A clean
// CryptoAPI error is the only acceptable failure; a crash, a hang or an
// allocation sized by a lying length is the fault these tests look for.
#include <gtest/gtest.h>

#include <random>

#include "chain/crl_facts.h"
#include "chain/distribution_points.h"
#include "crl_fixtures.h"
#include "crypt_support.h"
#include "openssl_fixtures.h"

using namespace crypt_test;

namespace {

const LPCSTR kTypes[] = {
    X509_CERT, X509_CERT_TO_BE_SIGNED, X509_CERT_CRL_TO_BE_SIGNED, X509_CERT_REQUEST_TO_BE_SIGNED, X509_EXTENSIONS,
    X509_NAME_VALUE, X509_NAME, X509_PUBLIC_KEY_INFO, X509_ALTERNATE_NAME, X509_KEY_USAGE, X509_BASIC_CONSTRAINTS2,
    X509_CERT_POLICIES, PKCS_UTC_TIME, RSA_CSP_PUBLICKEYBLOB, X509_UNICODE_NAME, PKCS_ATTRIBUTE,
    X509_UNICODE_NAME_VALUE, X509_OCTET_STRING, X509_BITS, X509_INTEGER, X509_MULTI_BYTE_INTEGER, X509_ENUMERATED,
    X509_CHOICE_OF_TIME, X509_AUTHORITY_KEY_ID2, X509_SEQUENCE_OF_ANY, X509_CRL_DIST_POINTS, X509_ENHANCED_KEY_USAGE,
    X509_MULTI_BYTE_UINT, PKCS_RSA_PRIVATE_KEY, X509_PKIX_POLICY_QUALIFIER_USERNOTICE, PKCS_ATTRIBUTES,
    X509_ALGORITHM_IDENTIFIER,
};

bool isCleanRefusal(DWORD code) {
    switch (code) {
    case static_cast<DWORD>(CRYPT_E_ASN1_EOD):
    case static_cast<DWORD>(CRYPT_E_ASN1_BADTAG):
    case static_cast<DWORD>(CRYPT_E_ASN1_CORRUPT):
    case static_cast<DWORD>(CRYPT_E_ASN1_LARGE):
    case static_cast<DWORD>(CRYPT_E_NOT_CHAR_STRING):
        return true;
    default:
        return false;
    }
}

// Decodes `der` as every structure type; each either decodes or is refused
// with an ASN.1 error.
void expectNoWorseThanARefusal(const Bytes& der, const char* what) {
    for (LPCSTR type : kTypes) {
        for (DWORD flags : {DWORD{0}, CRYPT_DECODE_NOCOPY_FLAG}) {
            const DWORD code = decodeError(type, der, flags);
            EXPECT_TRUE(code == 0 || isCleanRefusal(code))
                << what << ": type " << reinterpret_cast<ULONG_PTR>(type) << " gave 0x" << std::hex << code;
        }
    }
}

Bytes nested(std::size_t depth) {
    Bytes der = fromHex("0500");
    for (std::size_t i = 0; i < depth; ++i) {
        Bytes outer{0x30};
        const std::size_t n = der.size();
        if (n < 0x80) {
            outer.push_back(static_cast<BYTE>(n));
        } else if (n < 0x100) {
            outer.insert(outer.end(), {0x81, static_cast<BYTE>(n)});
        } else if (n < 0x10000) {
            outer.insert(outer.end(), {0x82, static_cast<BYTE>(n >> 8), static_cast<BYTE>(n)});
        } else {
            outer.insert(outer.end(), {0x83, static_cast<BYTE>(n >> 16), static_cast<BYTE>(n >> 8), static_cast<BYTE>(n)});
        }
        outer.insert(outer.end(), der.begin(), der.end());
        der.swap(outer);
    }
    return der;
}

}  // namespace

TEST(HostileInput, EveryTruncationOfACrlIsEndOfData) {
    const Bytes crl = openssl::signedCrl();
    for (std::size_t n = 0; n < crl.size(); ++n) {
        const Bytes cut(crl.begin(), crl.begin() + static_cast<std::ptrdiff_t>(n));
        EXPECT_EQ(static_cast<DWORD>(CRYPT_E_ASN1_EOD), decodeError(X509_CERT_CRL_TO_BE_SIGNED, cut)) << n;
        EXPECT_EQ(static_cast<DWORD>(CRYPT_E_ASN1_EOD), decodeError(X509_CERT, cut)) << n;
    }
}

TEST(HostileInput, LengthsAndCountsBeyondTheInputAreRefusedBeforeAnyAllocation) {
    // A SEQUENCE that claims 2 GB, another that claims a billion elements
    // of two bytes each in its 16 bytes, and lengths CryptoAPI cannot hold.
    EXPECT_EQ(static_cast<DWORD>(CRYPT_E_ASN1_EOD), decodeError(X509_SEQUENCE_OF_ANY, fromHex("30 84 7F FF FF FF 05 00")));
    EXPECT_EQ(static_cast<DWORD>(CRYPT_E_ASN1_EOD),
              decodeError(X509_ENHANCED_KEY_USAGE, fromHex("30 10 06 01 2A 06 01 2A 06 01 2A 06 01 2A 06 84 3B 9A CA 00")));
    EXPECT_EQ(static_cast<DWORD>(CRYPT_E_ASN1_LARGE), decodeError(X509_NAME, fromHex("30 88 00 00 00 00 00 00 00 02")));
    EXPECT_EQ(static_cast<DWORD>(CRYPT_E_ASN1_CORRUPT), decodeError(X509_NAME, fromHex("30 80 31 80 00 00 00 00")));
    EXPECT_EQ(static_cast<DWORD>(CRYPT_E_ASN1_CORRUPT), decodeError(X509_BITS, fromHex("03 02 08 FF")));
    EXPECT_EQ(static_cast<DWORD>(CRYPT_E_ASN1_CORRUPT), decodeError(X509_CHOICE_OF_TIME, fromHex("17 0D 39 39 31 33 33 32 30 30 30 30 30 30 5A")));
    EXPECT_EQ(static_cast<DWORD>(CRYPT_E_ASN1_CORRUPT), decodeError(X509_MULTI_BYTE_INTEGER, fromHex("02 00")));
    EXPECT_EQ(static_cast<DWORD>(CRYPT_E_ASN1_LARGE), decodeError(RSA_CSP_PUBLICKEYBLOB, fromHex("30 0B 02 01 01 02 06 01 00 00 00 00 01")));
}

TEST(HostileInput, TenThousandLevelsOfNestingAreReadWithoutRecursion) {
    const Bytes deep = nested(10'000);
    expectNoWorseThanARefusal(deep, "10,000-deep nesting");
    // The generic decoder reads one level; the schema decoders refuse the shape.
    auto seq = decode<CRYPT_SEQUENCE_OF_ANY>(X509_SEQUENCE_OF_ANY, deep);
    ASSERT_TRUE(seq);
    EXPECT_EQ(1u, seq->cValue);
    EXPECT_EQ(static_cast<DWORD>(CRYPT_E_ASN1_BADTAG), decodeError(X509_NAME, deep));
}

TEST(HostileInput, RandomDamageToValidEncodingsIsRefusedCleanly) {
    std::vector<Bytes> seeds = {openssl::signedCrl(), openssl::rsaKey(512).privateKey,
                                fromHex("3014311230100603550403130 94A616E204E6F76616B"),
                                fromHex("302DA019060A2B060104018237140203A00B0C096A616E406669726D61A410300E310C300A060355040313034A616E")};
    std::mt19937 random(20240229);
    for (const Bytes& seed : seeds) {
        for (int round = 0; round < 60; ++round) {
            Bytes damaged = seed;
            const int changes = 1 + static_cast<int>(random() % 4);
            for (int i = 0; i < changes; ++i) damaged[random() % damaged.size()] = static_cast<BYTE>(random());
            expectNoWorseThanARefusal(damaged, "damaged");
        }
    }
}

// The chain engine's own readers of CRL scope: an issuing distribution
// point, a certificate issuer entry extension and a certificate's
// distribution points, each cut at every length and damaged at random. A
// CRL whose extension does not read is not used; a certificate keeps only
// the distribution point assumed for every certificate.
TEST(HostileInput, DamagedCrlScopeExtensionsAreNotUsed) {
    namespace chain = platform::crypt::chain;
    const Bytes idp = crl_test::extensionValue(
        "issuingDistributionPoint", "critical, @idp",
        "[idp]\nrelativename = rdn\nonlysomereasons = keyCompromise\nindirectCRL = TRUE\n[rdn]\nCN = Segment 1\n");
    // GeneralNames, as a certificate issuer entry extension holds them.
    const Bytes issuer = crl_test::extensionValue("issuerAltName", "dirName:issuer", "[issuer]\nCN = Tesk CA\n");
    const Bytes points = crl_test::extensionValue(
        "crlDistributionPoints", "dp",
        "[dp]\nfullname = URI:http://127.0.0.1/a.crl\nreasons = keyCompromise\nCRLissuer = dirName:issuer\n"
        "[issuer]\nCN = Tesk CA\n");
    const Bytes issuerName = fromHex("3012311030 0E0603550403 0C0754 65736B204341");
    const auto factsOf = [&](const Bytes& idpValue, const Bytes& issuerValue) {
        CERT_EXTENSION crlExt{const_cast<LPSTR>("2.5.29.28"), TRUE,
                              {static_cast<DWORD>(idpValue.size()), const_cast<BYTE*>(idpValue.data())}};
        CERT_EXTENSION entryExt{const_cast<LPSTR>("2.5.29.29"), TRUE,
                                {static_cast<DWORD>(issuerValue.size()), const_cast<BYTE*>(issuerValue.data())}};
        CRL_ENTRY entry{{1, const_cast<BYTE*>(issuerName.data())}, {}, 1, &entryExt};
        CRL_INFO crl{};
        crl.Issuer = {static_cast<DWORD>(issuerName.size()), const_cast<BYTE*>(issuerName.data())};
        crl.cExtension = 1;
        crl.rgExtension = &crlExt;
        crl.cCRLEntry = 1;
        crl.rgCRLEntry = &entry;
        return chain::crlFactsOf(crl);
    };
    const auto pointsOf = [&](const Bytes& value) {
        CERT_EXTENSION ext{const_cast<LPSTR>(szOID_CRL_DIST_POINTS), FALSE,
                           {static_cast<DWORD>(value.size()), const_cast<BYTE*>(value.data())}};
        CERT_INFO cert{};
        cert.Issuer = {static_cast<DWORD>(issuerName.size()), const_cast<BYTE*>(issuerName.data())};
        cert.cExtension = 1;
        cert.rgExtension = &ext;
        return chain::distributionPointsOf(cert);
    };

    const chain::CrlFacts whole = factsOf(idp, issuer);
    ASSERT_TRUE(whole.usable);
    ASSERT_TRUE(whole.issuingPoint && whole.issuingPoint->names);
    EXPECT_TRUE(whole.issuingPoint->indirect);
    EXPECT_EQ(0x2u, whole.issuingPoint->reasons);
    ASSERT_EQ(1u, whole.entryIssuers.size());
    ASSERT_EQ(2u, pointsOf(points).size());
    for (std::size_t n = 0; n < idp.size(); ++n)
        EXPECT_FALSE(factsOf(Bytes(idp.begin(), idp.begin() + static_cast<std::ptrdiff_t>(n)), issuer).usable) << n;
    for (std::size_t n = 0; n < issuer.size(); ++n)
        EXPECT_FALSE(factsOf(idp, Bytes(issuer.begin(), issuer.begin() + static_cast<std::ptrdiff_t>(n))).usable) << n;
    for (std::size_t n = 0; n < points.size(); ++n)
        EXPECT_EQ(1u, pointsOf(Bytes(points.begin(), points.begin() + static_cast<std::ptrdiff_t>(n))).size()) << n;

    std::mt19937 random(20260101);
    for (int round = 0; round < 300; ++round) {
        Bytes a = idp, b = issuer, c = points;
        for (Bytes* damaged : {&a, &b, &c}) (*damaged)[random() % damaged->size()] = static_cast<BYTE>(random());
        EXPECT_NO_THROW(factsOf(a, b));
        EXPECT_NO_THROW(pointsOf(c));
    }
}

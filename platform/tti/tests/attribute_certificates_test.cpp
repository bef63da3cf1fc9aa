// Attribute certificates in a token's certificate set: a hand-made time
// attribute certificate put into a token that `openssl ts -reply` signed.
#include <gtest/gtest.h>

#include <cstring>

#include "tti_support.h"

namespace {

using namespace tti_test;

Bytes tlv(std::uint8_t tag, const Bytes& content) {
    Bytes out{tag};
    if (content.size() >= 0x100)
        out.insert(out.end(), {0x82, static_cast<std::uint8_t>(content.size() >> 8)});
    else if (content.size() >= 0x80)
        out.push_back(0x81);
    out.push_back(static_cast<std::uint8_t>(content.size()));
    out.insert(out.end(), content.begin(), content.end());
    return out;
}

Bytes cat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

Bytes text(std::string_view s) { return Bytes(s.begin(), s.end()); }

// The elements of a DER content, each whole.
std::vector<Bytes> elements(const Bytes& content) {
    std::vector<Bytes> out;
    for (std::size_t at = 0; at < content.size();) {
        std::size_t length = content[at + 1], header = 2;
        if (length & 0x80) {
            const std::size_t count = length & 0x7F;
            length = 0;
            for (std::size_t i = 0; i < count; ++i) length = (length << 8) | content[at + 2 + i];
            header += count;
        }
        out.emplace_back(content.begin() + at, content.begin() + at + header + length);
        at += header + length;
    }
    return out;
}

Bytes contentOf(const Bytes& element) {
    const std::size_t header = (element[1] & 0x80) ? 2 + (element[1] & 0x7F) : 2;
    return Bytes(element.begin() + header, element.end());
}

const Bytes kAlgorithm =
    tlv(0x30, cat({tlv(0x06, {0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x01, 0x01, 0x0B}), {0x05, 0x00}}));
const Bytes kIssuerName =
    tlv(0x30, tlv(0x31, tlv(0x30, cat({tlv(0x06, {0x55, 0x04, 0x03}), tlv(0x0C, text("Tesk TAC Issuer"))}))));

// An RFC 5755 attribute certificate, version 2, serial 42, valid 2024 to 2034, no attributes.
Bytes attributeCertificate() {
    const Bytes holder = tlv(0x30, tlv(0xA1, tlv(0xA4, kIssuerName)));
    const Bytes issuer = tlv(0xA0, tlv(0x30, tlv(0xA4, kIssuerName)));
    const Bytes validity = tlv(0x30, cat({tlv(0x18, text("20240101000000Z")), tlv(0x18, text("20340101000000Z"))}));
    const Bytes info =
        tlv(0x30, cat({tlv(0x02, {0x01}), holder, issuer, kAlgorithm, tlv(0x02, {0x2A}), validity, tlv(0x30, {})}));
    return tlv(0x30, cat({info, kAlgorithm, tlv(0x03, {0x00})}));
}

// ContentInfo { type, [0] { SignedData { ..., [0] certificates, ... } } } with the
// attribute certificate as choice [2] at the end of the certificate set.
Bytes withAttributeCertificate(const Bytes& token, const Bytes& ac) {
    const auto outer = elements(contentOf(token));
    Bytes signedData;
    for (const Bytes& part : elements(contentOf(elements(contentOf(outer[1]))[0])))
        signedData =
            cat({signedData, part[0] == 0xA0 ? tlv(0xA0, cat({contentOf(part), tlv(0xA2, contentOf(ac))})) : part});
    return tlv(0x30, cat({outer[0], tlv(0xA0, tlv(0x30, signedData))}));
}

int call(int (*fn)(std::uint8_t*, std::uint32_t*, const std::uint8_t*, std::uint32_t), const Bytes& in,
         Bytes* out = nullptr) {
    std::uint32_t length = 0;
    const int status = fn(nullptr, &length, in.data(), static_cast<std::uint32_t>(in.size()));
    if (status == TTI_OK && out)
        *out = twoCall([&](std::uint8_t* b, std::uint32_t* l) {
            return fn(b, l, in.data(), static_cast<std::uint32_t>(in.size()));
        });
    return status;
}

TEST(AttributeCertificates, ATokenGivesItsTacAndReadsAsWellWithoutIt) {
    const Bytes token = tokenOf(replyTo(request()));
    const Bytes ac = attributeCertificate();
    const Bytes carrying = withAttributeCertificate(token, ac);

    Bytes tac, stripped;
    ASSERT_EQ(TTI_OK, call(TTI_GetTST_TimeAttributeCert, carrying, &tac));
    EXPECT_EQ(ac, tac);
    ASSERT_EQ(TTI_OK, call(TTI_RemoveAttrCerts, carrying, &stripped));
    EXPECT_EQ(token, stripped);
    EXPECT_EQ(TTI_OK, TTI_VerifyTST_Signature(carrying.data(), static_cast<std::uint32_t>(carrying.size())));
    EXPECT_EQ(1u, infoOf(carrying).version);

    EXPECT_EQ(TTI_E_NO_TAC, call(TTI_GetTST_TimeAttributeCert, token));
    ASSERT_EQ(TTI_OK, call(TTI_RemoveAttrCerts, token, &stripped));
    EXPECT_EQ(token, stripped);
    EXPECT_EQ(TTI_E_NOT_A_TOKEN, call(TTI_RemoveAttrCerts, ac));
}

TEST(AttributeCertificates, TacFrameIsRead) {
    const Bytes ac = attributeCertificate();
    TtiTacInfo info{};
    info.size = sizeof info;
    ASSERT_EQ(TTI_OK, TTI_GetTAC_CertInfoEx(&info, ac.data(), static_cast<std::uint32_t>(ac.size())));
    EXPECT_EQ(1u, info.version);
    EXPECT_EQ(1u, info.serial.length);
    EXPECT_EQ(0x2A, info.serial.bytes[0]);
    EXPECT_STREQ("20240101000000Z", info.notBefore);
    EXPECT_STREQ("20340101000000Z", info.notAfter);
    EXPECT_STREQ("CN=Tesk TAC Issuer", info.issuer);
    EXPECT_EQ(TTI_E_NOT_SUPPORTED, call(TTI_GetTAC_TimingMetrics, ac));
    EXPECT_EQ(TTI_E_NOT_SUPPORTED, call(TTI_GetTAC_TimingPolicy, ac));

    const Bytes& x509 = hierarchy().tsa.certificate.der();
    EXPECT_EQ(TTI_E_NO_TAC, TTI_GetTAC_CertInfoEx(&info, x509.data(), static_cast<std::uint32_t>(x509.size())));
    EXPECT_EQ(TTI_E_NO_TAC, call(TTI_GetTAC_TimingPolicy, x509));
    info.size = 0;
    EXPECT_EQ(TTI_E_PARAMETER, TTI_GetTAC_CertInfoEx(&info, ac.data(), static_cast<std::uint32_t>(ac.size())));
}

}  // namespace

// The CMF container and PEM lists: exact blob rules, texts of several
// blocks, lists with damaged or missing certificates.
#include <gtest/gtest.h>

#include "cmf.h"
#include "pem_certificates.h"
#include "pentak_support.h"

namespace {

using namespace pentak_test;
using Bytes = std::vector<BYTE>;

Bytes blob(const Bytes& afterMagic) {
    Bytes bytes = {'T', 'S', 'K', 'C', 'M', 'F'};
    bytes.insert(bytes.end(), afterMagic.begin(), afterMagic.end());
    return bytes;
}

TEST(IsCmf, AcceptsOnlyBlobsWhoseCertificateLiesInsideThem) {
    const Bytes kept = {0xEE};
    struct Case {
        const char* what;
        Bytes blob;
        bool accepted;
        Bytes certificate;
    };
    const Case cases[] = {
        {"seven bytes: no length field", blob({0x30}), true, {0x30}},
        {"ten bytes: still no length field", blob({1, 2, 3, 4}), true, {1, 2, 3, 4}},
        {"empty header", blob({0, 0, 0, 0, 0x30, 0x03}), true, {0x30, 0x03}},
        {"two header bytes", blob({2, 0, 0, 0, 0xAA, 0xBB, 0x30}), true, {0x30}},
        {"header up to the end", blob({2, 0, 0, 0, 0xAA, 0xBB}), false, kept},
        {"header past the end", blob({3, 0, 0, 0, 0xAA, 0xBB}), false, kept},
        {"length that wraps in 32 bits", blob({0xFF, 0xFF, 0xFF, 0xFF, 0x30, 0x03}), false, kept},
        {"length that wraps to the magic", blob({0xF7, 0xFF, 0xFF, 0xFF, 0x30, 0x03}), false, kept},
        {"magic alone", blob({}), false, kept},
        {"other magic", Bytes{'T', 'S', 'K', 'C', 'M', 'G', 0x30}, false, kept},
    };
    for (const Case& c : cases) {
        Bytes out = kept;
        EXPECT_EQ(c.accepted, IsCmf(c.blob, out)) << c.what;
        EXPECT_EQ(c.certificate, out) << c.what;
    }
}

std::string armoured(const std::string& label, const std::string& base64Body) {
    return "-----BEGIN " + label + "-----\r\n" + base64Body + "-----END " + label + "-----\r\n";
}

// The Base64 body of a PEM certificate.
std::string bodyOf(const pki::Certificate& certificate) {
    std::string pem = certificate.pem();
    pem.erase(0, pem.find('\n') + 1);
    return pem.substr(0, pem.find("-----END"));
}

std::string base64Body(const Bytes& bytes) {
    static constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string text;
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        const unsigned n = bytes[i] << 16 | (i + 1 < bytes.size() ? bytes[i + 1] << 8 : 0) |
                           (i + 2 < bytes.size() ? bytes[i + 2] : 0);
        text += kAlphabet[n >> 18 & 63];
        text += kAlphabet[n >> 12 & 63];
        text += i + 1 < bytes.size() ? kAlphabet[n >> 6 & 63] : '=';
        text += i + 2 < bytes.size() ? kAlphabet[n & 63] : '=';
        if (i % 54 == 51) text += "\n";
    }
    return text + "\n";
}

TEST(CmfText, YieldsTheCertificatesOfItsBlocksInOrder) {
    const auto& root = hierarchy().root.certificate;
    const auto& ca = hierarchy().qualifiedCa.certificate;
    Bytes cmf = blob({3, 0, 0, 0, 'h', 'd', 'r'});
    cmf.insert(cmf.end(), ca.der().begin(), ca.der().end());
    const std::string text =
        armoured("CERTIFICATE", bodyOf(root)) + armoured("CMF", base64Body(cmf)) + "trailing text without an end\r\n";

    EXPECT_EQ(2u, CutCmfTextIntoBlocks(wide(text)).size());
    std::vector<Bytes> certificates;
    ASSERT_TRUE(CmfTextToCertificates(wide(text), certificates));
    EXPECT_EQ((std::vector<Bytes>{root.der(), ca.der()}), certificates);

    // A CMF block whose blob is refused fails the whole text.
    const std::vector<Bytes> before = certificates;
    const std::string refused =
        armoured("CERTIFICATE", bodyOf(root)) + armoured("CMF", base64Body(blob({0xFF, 0xFF, 0xFF, 0xFF, 0x30, 0})));
    EXPECT_FALSE(CmfTextToCertificates(wide(refused), certificates));
    EXPECT_EQ(before, certificates);
}

std::vector<Bytes> dersOf(const std::vector<OwnedCertContext>& contexts) {
    std::vector<Bytes> ders;
    for (const auto& context : contexts) ders.push_back(derOf(context.get()));
    return ders;
}

TEST(PemToCertificates, CutsAtTheEndLinesWhateverTheLineBreaks) {
    const auto& h = hierarchy();
    const std::vector<Bytes> three = {h.root.certificate.der(), h.qualifiedCa.certificate.der(),
                                      h.commercial.certificate.der()};
    std::string lf = h.root.certificate.pem() + h.qualifiedCa.certificate.pem() + h.commercial.certificate.pem();
    std::string crlf, joined;
    for (const char c : lf) {
        if (c == '\n') crlf += '\r';
        crlf += c;
        if (c != '\n') joined += c;
    }
    for (const std::string& text : {crlf, joined}) {
        std::vector<OwnedCertContext> contexts;
        PemToCertificates(wide(text), contexts);
        EXPECT_EQ(three, dersOf(contexts));
    }

    // The second certificate's body damaged: the others stay.
    std::string damaged = crlf;
    const std::size_t second = damaged.find("-----BEGIN", 10);
    damaged.replace(damaged.find('\n', second) + 1, 40, 40, 'A');
    std::vector<OwnedCertContext> contexts;
    PemToCertificates(wide(damaged), contexts);
    EXPECT_EQ((std::vector<Bytes>{three[0], three[2]}), dersOf(contexts));

    contexts.clear();
    PemToCertificates(u"", contexts);
    EXPECT_TRUE(contexts.empty());
}

TEST(CaRestriction, AGivenListThatYieldsNothingStillRestricts) {
    EXPECT_FALSE(CaRestriction::FromPem(u"").Restricts());
    const CaRestriction damaged = CaRestriction::FromPem(u"-----BEGIN CERTIFICATE-----\nMIIB\n-----END CERTIFICATE-----\n");
    EXPECT_TRUE(damaged.Restricts());
    EXPECT_TRUE(damaged.Certificates().empty());
    const CaRestriction one = CaRestriction::FromPem(wide(hierarchy().standardCa.certificate.pem()));
    EXPECT_TRUE(one.Restricts());
    EXPECT_EQ(1u, one.Certificates().size());
}

}  // namespace

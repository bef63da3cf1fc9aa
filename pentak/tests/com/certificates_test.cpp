// The certificate members through the object: names and values of a
// certificate as text, the listing of an empty personal store, and the refusals of the
// CSP store and deletion members, which touch nothing and ask nothing.
#include <string>

#include "pentak_client.h"
#include "testkit/pki.h"
#include "win32/error.h"

namespace {

using namespace pentak_test;
namespace pki = testkit::pki;

constexpr HRESULT kNteNotSupported = HRESULT_OF(0x80090029u);  // NTE_NOT_SUPPORTED
constexpr LONG kX500Name = 3;

// The certificate's Base64 text: its PEM without the armour lines.
std::u16string base64Text(const pki::Certificate& certificate) {
    const std::string pem = certificate.pem();
    const std::size_t begin = pem.find('\n') + 1;
    const std::size_t end = pem.find("-----END");
    return {pem.begin() + static_cast<std::ptrdiff_t>(begin), pem.begin() + static_cast<std::ptrdiff_t>(end)};
}

using PentakCertificates = ScriptedPentak;

TEST_F(PentakCertificates, NamesListingsAndRefusalsReachTheCaller) {
    const auto issuer = pki::CertificateBuilder().subject({{"O", "Tesk"}, {"CN", "Names CA"}}).build();
    const auto user = pki::CertificateBuilder().subject({{"CN", "Jana Nováková"}}).issuedBy(issuer).build();
    const auto session = newSession();

    Value name;
    ASSERT_EQ(S_OK, session.call(u"ParseCertSubjectToStr",
                                 {Value(base64Text(user.certificate).c_str()).get(), Value(kX500Name).get(),
                                  name.reference()}));
    EXPECT_EQ(u"CN=Jana Nováková", name.text());
    ASSERT_EQ(S_OK, session.call(u"ParseCertIssuerToStr",
                                 {Value(base64Text(user.certificate).c_str()).get(), Value(kX500Name).get(),
                                  name.reference()}));
    EXPECT_EQ(u"O=Tesk, CN=Names CA", name.text());
    EXPECT_TRUE(FAILED(session.call(u"ParseCertSubjectToStr",
                                    {Value(u"AAECAwQF").get(), Value(kX500Name).get(), name.reference()})));
    EXPECT_EQ(u"O=Tesk, CN=Names CA", name.text());

    const auto serial = pki::CertificateBuilder().serial({0x01, 0xA0}).build();
    Value serialText;
    ASSERT_EQ(S_OK, session.call(u"GetCertVal", {Value(base64Text(serial.certificate).c_str()).get(),
                                                 Value(LONG{1}).get(), serialText.reference()}));
    EXPECT_EQ(u"416", serialText.text());
    EXPECT_EQ(kNotSupported, session.call(u"GetCertVal", {Value(base64Text(serial.certificate).c_str()).get(),
                                                           Value(LONG{34}).get(), serialText.reference()}));
    EXPECT_EQ(u"416", serialText.text()) << "written only on success";

    // The personal store holds nothing: success and an empty text.
    Value listed(u"before");
    ASSERT_EQ(S_OK, session.call(u"EnumCerts", {Value(LONG{0}).get(), Value(u"").get(), listed.reference()}));
    EXPECT_EQ(u"", listed.text());
    EXPECT_EQ(kInvalidParameter, session.call(u"ViewCert", {Value(u"").get()}));

    Value count(LONG{7});
    EXPECT_EQ(kNoProvider, session.call(u"CSPLoadStore", {Value(LONG{1}).get(), count.reference()}));
    EXPECT_EQ(7, count.number());
    ASSERT_EQ(S_OK, session.put(u"ProviderName", Value(u"Microsoft Enhanced Cryptographic Provider v1.0")));
    EXPECT_EQ(kNteNotSupported, session.call(u"DeleteCerts", {Value(u"*").get(), count.reference()}));
    EXPECT_EQ(kNteNotSupported, session.call(u"DeleteObsoleteContent")) << "asks no question";
    EXPECT_EQ(kNteNotSupported, session.call(u"DeleteExpiredCertificates", {Value(LONG{0}).get()}));
}

}  // namespace

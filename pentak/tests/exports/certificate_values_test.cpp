// A certificate's values and its issuer through the exported functions:
// the narrow text in the session's code page, the wide text, the answer
// written whatever the result.
#include <string>

#include "exported_library.h"
#include "testkit/pki.h"

namespace {

using namespace pentak_test;
namespace pki = testkit::pki;

#define CALL(name) PENTAK_FUNCTION(library, name)

TEST_F(PentakExports, CertificateValuesAndIssuersReachTheCaller) {
    const auto ca = pki::CertificateBuilder().subject({{"CN", "Exports CA"}}).build();
    const auto user = pki::CertificateBuilder().subject({{"CN", "Exports User"}}).serial({0x01, 0xA0}).issuedBy(ca).build();
    const std::string pem = user.certificate.pem();
    ASSERT_EQ(S_OK, CALL(Pentak_Initialize)());

    DWORD length = 0;
    ASSERT_EQ(S_OK, CALL(Pentak_GetCertVal)(pem.c_str(), 1, nullptr, &length));
    EXPECT_EQ(4u, length);
    char narrow[8] = {};
    ASSERT_EQ(S_OK, CALL(Pentak_GetCertVal)(pem.c_str(), 1, narrow, &length));
    EXPECT_STREQ("416", narrow);

    const std::u16string widePem(pem.begin(), pem.end());
    char16_t wide[16] = {};
    length = 16;
    ASSERT_EQ(S_OK, CALL(Pentak_GetCertValW)(widePem.c_str(), 2, wide, &length));
    EXPECT_EQ(u"01a0", std::u16string(wide));
    EXPECT_EQ(kNotSupported, CALL(Pentak_GetCertValW)(widePem.c_str(), 34, wide, &length));

    LONG issued = 7;
    ASSERT_EQ(S_OK, CALL(Pentak_IsIssued)(pem.c_str(), ca.certificate.pem().c_str(), &issued));
    EXPECT_NE(0, issued);
    EXPECT_NE(S_OK, CALL(Pentak_IsIssued)("AAAA", ca.certificate.pem().c_str(), &issued));
    EXPECT_EQ(0, issued) << "written also on failure";
}

}  // namespace

// A CA bundle turned into PEM certificates by the exported function, by the
// buffer rule.
#include <algorithm>
#include <string>

#include "exported_library.h"
#include "testkit/pki.h"

namespace {

using namespace pentak_test;
namespace pki = testkit::pki;

#define CALL(name) PENTAK_FUNCTION(library, name)

std::string withoutLineBreaks(std::string text) {
    text.erase(std::remove(text.begin(), text.end(), '\n'), text.end());
    return text;
}

TEST_F(PentakExports, CmfToPemHandsOutTheBundlesCertificates) {
    const std::string given = pki::CertificateBuilder().subject({{"CN", "Exported CA"}}).build().certificate.pem();

    ASSERT_EQ(S_OK, CALL(Pentak_Initialize)());
    DWORD length = 0;
    ASSERT_EQ(S_OK, CALL(Pentak_CmfToPem)(given.c_str(), nullptr, &length));
    std::string pem(length, '\0');
    ASSERT_EQ(S_OK, CALL(Pentak_CmfToPem)(given.c_str(), pem.data(), &length));
    pem.pop_back();
    // The same certificate, its Base64 in lines of 72 characters.
    EXPECT_EQ(withoutLineBreaks(given), withoutLineBreaks(pem));
    EXPECT_EQ(72u, pem.find('\n', 28) - 28);
    EXPECT_EQ(S_OK, CALL(Pentak_UnInitialize)());
}

}  // namespace

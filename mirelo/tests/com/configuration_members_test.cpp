// The object's configuration members: a signed configuration handed over as
// text configures the provider list the object reports, and a trusted list
// that cannot be loaded fails the member with the signer's number.
#include <string>

#include "mirelo_client.h"
#include "testkit/process.h"
#include "testkit/trusted_list.h"

namespace {

using MireloConfiguration = mirelo_test::MireloClient;

TEST_F(MireloConfiguration, ASignedConfigurationSetsTheProvidersAndAnUnloadableListFails) {
    TESTKIT_REQUIRE_PROGRAM("openssl");
    ASSERT_EQ(S_OK, object->SSCDProvidersClear());
    const std::string configuration = testkit::trusted_list::signedConfiguration(
        "[Providers]\nProvidersCount=2\nProvider0Name=KavloCSP\nProvider0Flags=4\nProvider1Name=Zintra CSP\n");
    ASSERT_EQ(S_OK, withText(&ISignerKyd::SetConfiguration, configuration));
    ULONG count = 0;
    ASSERT_EQ(S_OK, object->get_SSCDProvidersCount(&count));
    EXPECT_EQ(2u, count);
    BSTR name = nullptr;
    ASSERT_EQ(S_OK, object->SSCDProvidersEnum(1, &name));
    EXPECT_EQ(u"Zintra CSP", mirelo_test::takeText(name));

    EXPECT_TRUE(FAILED(withText(&ISignerKyd::SetConfiguration, "")));
    EXPECT_EQ(30, lastErrorNumber());

    EXPECT_TRUE(FAILED(withText(&ISignerKyd::SetTrustedListFile, (root.path() / "missing.kyd").string())));
    EXPECT_EQ(9502, lastErrorNumber());
    EXPECT_EQ(S_OK, withText(&ISignerKyd::SetTrustedListFile, "")) << "no name unloads";
}

}  // namespace

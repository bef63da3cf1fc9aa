// The signature-policy viewer on an X server of the test's own: template
// 214 shown by GTK with the policy's tree in English, left as a screenshot
// in the artifacts folder, and closed with Enter (OK).
#include <gtest/gtest.h>

#include <string>

#include "platform/paths.h"
#include "signer_kyd.h"
#include "testkit/platform_root.h"
#include "testkit/policy.h"
#include "testkit/screen_user.h"

namespace {

TEST(SignPolicyDlgOnScreen, ThePolicyTreeIsShownAndOkEndsIt) {
    TESTKIT_REQUIRE_SCREEN();
    testkit::PlatformRoot root;
    const auto der = testkit::policy::encode(testkit::policy::SignaturePolicy{});
    const auto file = root.write("policy.der", std::string(der.begin(), der.end()));

    testkit::ScreenUser user;
    TSignerKyd signer;
    ASSERT_TRUE(signer.SetCfgLanguageNumber(2));
    ASSERT_TRUE(signer.SetSignPolicyFile(platform::paths::toAnsi(file)));
    const auto show = [&] { return signer.ShowSignPolicy(); };

    EXPECT_TRUE(user.answered("Signature policy", "Return", show, {"mirelo-sign-policy",
                                        {"Policy Identification - Electronic signature policy (1.3.6.1.4.1.32473.10.1.3)",
                                         "Application of Policy - Test signatures"}}));
    EXPECT_EQ(0, signer.GetLastErrorNumber());
}

}  // namespace

// The object's signature-policy members: a policy file in DER (the object's
// input form) loaded by name, its fields handed out as text, and failures
// reported with the signer's numbers.
#include <string>

#include "mirelo_client.h"
#include "testkit/policy.h"

namespace {

using mirelo_test::takeText;
using mirelo_test::wide;

class MireloPolicy : public mirelo_test::MireloClient {
protected:
    HRESULT load(const std::string& file) { return withText(&ISignerKyd::SetSignPolicyFile, file); }
};

TEST_F(MireloPolicy, ADerPolicyLoadsByNameAndHandsOutItsFieldsOrTheFailureNumber) {
    testkit::policy::SignaturePolicy policy;
    const auto der = testkit::policy::encode(policy);
    const auto file = root.write("conf/policy.der", std::string(der.begin(), der.end()));

    ASSERT_EQ(S_OK, load(file.string()));
    BSTR text = nullptr;
    ASSERT_EQ(S_OK, object->GetSignPolicyValue(static_cast<sgSignPolicyValTypes>(0), &text));
    EXPECT_EQ(wide(policy.oid), takeText(text));
    EXPECT_EQ(E_POINTER, object->GetSignPolicyValue(static_cast<sgSignPolicyValTypes>(0), nullptr));

    text = nullptr;
    EXPECT_TRUE(FAILED(object->GetSignPolicyValue(static_cast<sgSignPolicyValTypes>(25), &text)));
    EXPECT_EQ(nullptr, text) << "nothing is handed out on failure";
    EXPECT_EQ(30, lastErrorNumber());

    EXPECT_TRUE(FAILED(load((root.path() / "conf/missing.der").string())));
    EXPECT_EQ(3202, lastErrorNumber());
    ASSERT_EQ(S_OK, load("")) << "no name unloads";
    EXPECT_TRUE(FAILED(object->GetSignPolicyValue(static_cast<sgSignPolicyValTypes>(0), &text)));
    EXPECT_EQ(3200, lastErrorNumber());
}

TEST_F(MireloPolicy, APolicyUnderCzechFoldersLoadsAndANameAnsiCannotHoldOpensNothing) {
    testkit::policy::SignaturePolicy policy;
    const auto der = testkit::policy::encode(policy);
    const auto file = root.write("Stažené soubory/Příliš žluťoučký kůň/politika.der", std::string(der.begin(), der.end()));
    ASSERT_EQ(S_OK, load(file.string())) << lastErrorNumber();
    BSTR text = nullptr;
    ASSERT_EQ(S_OK, object->GetSignPolicyValue(static_cast<sgSignPolicyValTypes>(0), &text));
    EXPECT_EQ(wide(policy.oid), takeText(text));

    // The same policy under the name its lossy ANSI form would give.
    root.write("Stažené soubory/x?.der", std::string(der.begin(), der.end()));
    ASSERT_EQ(S_OK, load(""));
    EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_INVALID_NAME), load((root.path() / "Stažené soubory/x日.der").string()));
    EXPECT_EQ(123, lastErrorNumber());
    EXPECT_TRUE(FAILED(object->GetSignPolicyValue(static_cast<sgSignPolicyValTypes>(0), &text)));
    EXPECT_EQ(3200, lastErrorNumber()) << "no policy was loaded";
}

}  // namespace

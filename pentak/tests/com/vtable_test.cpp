// The object through the generated IPentak header, as the renewal program
// calls it: each function sits where the header puts it and answers as the
// same member does through IDispatch.
#include "pentak_client.h"

namespace {

using namespace pentak_test;

class PentakVtable : public RegisteredPentak {};

std::u16string textOf(BSTR text) {
    std::u16string copy = text ? std::u16string(text, SysStringLen(text)) : u"";
    SysFreeString(text);
    return copy;
}

TEST_F(PentakVtable, CallsThroughTheHeaderReachTheSameMembersAsScripts) {
    const auto pentak = create();
    ASSERT_TRUE(pentak);
    const auto script = scriptOf(pentak);

    BSTR provider = SysAllocString(u"Microsoft Enhanced RSA and AES Cryptographic Provider");
    EXPECT_EQ(S_OK, pentak->put_ProviderName(provider));
    SysFreeString(provider);
    EXPECT_EQ(u"Microsoft Enhanced RSA and AES Cryptographic Provider", script.text(u"CSPName"));
    BSTR read = nullptr;
    EXPECT_EQ(S_OK, pentak->get_CSPName(&read));
    EXPECT_EQ(script.text(u"ProviderName"), textOf(read));

    LONG number = 0;
    EXPECT_EQ(S_OK, pentak->get_KEYSPEC_AT_KEYEXCHANGE(&number));
    EXPECT_EQ(1, number);
    EXPECT_EQ(S_OK, pentak->get_TYPE_PROVIDER_RSA_FULL(&number));
    EXPECT_EQ(1, number);
    EXPECT_EQ(S_OK, pentak->put_ProviderType(24));
    sgAppProfile profile = sgAppProfileQuib_CP31;
    EXPECT_EQ(S_OK, pentak->get_ApplicationProfile(&profile));
    EXPECT_EQ(sgAppProfileDefault, profile);

    BSTR oid = SysAllocString(u"1.2.840.113549.1.1.11");
    EXPECT_EQ(S_OK, pentak->IsAlgOidSupported(oid));
    EXPECT_EQ(S_OK, pentak->SetSignatureAlgorithmOid(oid));
    SysFreeString(oid);
    EXPECT_EQ(S_OK, pentak->GetSignatureAlgorithmOid(&read));
    EXPECT_EQ(u"1.2.840.113549.1.1.11", textOf(read));

    BSTR encoding = SysAllocString(u"Base64");
    EXPECT_EQ(HRESULT_OF(0x80070057u), pentak->put_MessageEncoding(encoding)) << "a failure comes back as it is";
    SysFreeString(encoding);

    read = nullptr;
    EXPECT_EQ(static_cast<HRESULT>(0x80070032), pentak->GetCardNumber(&read)) << "a provider without card number";
    EXPECT_EQ(nullptr, read);
    EXPECT_EQ(E_POINTER, pentak->get_ProviderName(nullptr));
    EXPECT_EQ(E_POINTER, pentak->GetHashAlgorithmOid(nullptr));
}

}  // namespace

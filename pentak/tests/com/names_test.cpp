// The object's names as dispatch callers resolve them: every member of the
// documented interface at its dispatch identifier and in its place in the
// table of functions.
#include "pentak_client.h"

namespace {

using namespace pentak_test;
using platform::com::Ptr;

enum Kind { Get, GetPut, Method };

struct Member {
    DISPID id;
    const char16_t* name;
    Kind kind;
};

// The interface's members in the order of its table of functions.
const Member kMembers[] = {
    {1, u"ProviderType", GetPut},
    {2, u"ProviderName", GetPut},
    {3, u"ContainerName", GetPut},
    {4, u"KeySpec", GetPut},
    {5, u"GenKeyFlags", GetPut},
    {6, u"KeySelect", Method},
    {7, u"KeyGenerate", Method},
    {8, u"KeyContainerDelete", Method},
    {9, u"KeyImport", Method},
    {10, u"KeyExport", Method},
    {11, u"AttributeStringType", GetPut},
    {12, u"AddSubjectAttribute", Method},
    {13, u"AddAttribute_String", Method},
    {14, u"AddAttribute_CSPInfo", Method},
    {15, u"AddAttribute_SmartCardInfo", Method},
    {16, u"AddAttribute_StringSHA1", Method},
    {17, u"RequestedExtension_KeyUsage_SetBit", Method},
    {18, u"RequestedExtension_ExtKeyUsage_AddOid", Method},
    {19, u"RequestedExtension_CertPolicies_AddOid", Method},
    {20, u"RequestedExtension_SubjectAltName_Add", Method},
    {21, u"RequestedExtension_CRLDistributionPoint_Add", Method},
    {22, u"CreatePKCS10", Method},
    {23, u"AcceptPkcs7", Method},
    {24, u"AcceptX509", Method},
    {25, u"Reset", Method},
    {26, u"RequestedExtension_SubjectAltName_OtherName_Add", Method},
    {27, u"RequestedExtension_SetCritical", Method},
    {28, u"RequestedExtension_Add", Method},
    {29, u"EnumProviders", Method},
    {32, u"RequestImport", Method},
    {33, u"GetContainerName", Method},
    {34, u"GetCardNumber", Method},
    {35, u"ParseCertSubjectToStr", Method},
    {36, u"ParseCertIssuerToStr", Method},
    {37, u"GetPresentCardCSP", Method},
    {38, u"GetDefaultOSCSP", Method},
    {39, u"CSPLoadStore", Method},
    {40, u"EnumPubKeyHash", Method},
    {41, u"GetPubKeyHashList", Method},
    {42, u"EnrollX509", Method},
    {43, u"DeleteCerts", Method},
    {44, u"Crytpui", Get},
    {45, u"ViewCert", Method},
    {46, u"EnumCerts", Method},
    {47, u"EnumCertsEx", Method},
    {48, u"GetCert", Method},
    {49, u"GetCertEx", Method},
    {50, u"SelectCert", Method},
    {51, u"SelectCertEx", Method},
    {52, u"Sign", Method},
    {53, u"DoSign", Method},
    {54, u"CSPName", Get},
    {55, u"KeyContainerName", Get},
    {56, u"signedMessage", Get},
    {57, u"SignCert", GetPut},
    {58, u"messageTBS", GetPut},
    {59, u"EnumContainers", Method},
    {60, u"GetPubKeyHashContainer", Method},
    {61, u"Certificate", GetPut},
    {62, u"GetCertVal", Method},
    {63, u"SetHashAlgorithmOid", Method},
    {64, u"GetHashAlgorithmOid", Method},
    {65, u"SetSignatureAlgorithmOid", Method},
    {66, u"GetSignatureAlgorithmOid", Method},
    {67, u"IsAlgOidSupported", Method},
    {68, u"ProviderVersion", Get},
    {69, u"RegisterOIDInfo", Method},
    {70, u"IsKeylenSupported", Method},
    {71, u"CmfToPem", Method},
    {72, u"SignDlgTitle", GetPut},
    {73, u"RequestedExtension_KeyUsage_Reset", Method},
    {74, u"IsIssued", Method},
    {75, u"RemoveSubjectAttribute", Method},
    {100, u"Test", Method},
    {101, u"Error", GetPut},
    {102, u"ErrorLevel", GetPut},
    {103, u"AddAttribute_SmartCardInfoSC", Method},
    {104, u"HsmEngine_TestConnection", Method},
    {105, u"HsmEngine_Init", Method},
    {106, u"HsmEngine_GetRootList", Method},
    {107, u"HsmEngine_WriteRoot", Method},
    {108, u"sha1WithRSASign", Get},
    {109, u"sha1WithRSAEncryption", Get},
    {110, u"sha256WithRSAEncryption", Get},
    {111, u"sha384WithRSAEncryption", Get},
    {112, u"sha512WithRSAEncryption", Get},
    {113, u"md5WithRSAEncryption", Get},
    {114, u"md5Algorithm", Get},
    {115, u"sha1Algorithm", Get},
    {116, u"sha256Algorithm", Get},
    {117, u"sha384Algorithm", Get},
    {118, u"sha512Algorithm", Get},
    {119, u"RDN_PRINTABLE_STRING", Get},
    {120, u"RDN_IA5_STRING", Get},
    {121, u"RDN_BMP_STRING", Get},
    {122, u"RDN_UTF8_STRING", Get},
    {123, u"TYPE_PROVIDER_RSA_FULL", Get},
    {124, u"TYPE_PROVIDER_RSA_AES", Get},
    {125, u"KEYSPEC_AT_SIGNATURE", Get},
    {126, u"KEYSPEC_AT_KEYEXCHANGE", Get},
    {127, u"KEYSPEC_AT_PARVEL", Get},
    {128, u"ApplicationProfile", GetPut},
    {129, u"CodePage", GetPut},
    {130, u"MessageEncoding", GetPut},
    {131, u"GUILanguage", GetPut},
    {132, u"DeleteCertificate", Method},
    {133, u"DeleteExpiredCertificates", Method},
    {134, u"SmartCardName", Get},
    {135, u"SmartCardReaderName", GetPut},
    {136, u"DeleteObsoleteContent", Method},
    {137, u"AddAttribute_KavloCardInfo", Method},
    {138, u"X509SubjectToPersonalReqTesk", Method},
    {139, u"X509SubjectToReqTesk", Method},
    {140, u"X509MergeSubjectToPersonalReqTesk", Method},
};

constexpr LCID kNeutralLocale = 2048;

class PentakNames : public RegisteredPentak {};

TEST_F(PentakNames, EveryMemberResolvesToItsDispatchId) {
    const auto object = create().as<IDispatch>();
    ASSERT_TRUE(object);
    for (const auto& member : kMembers) {
        DISPID id = DISPID_UNKNOWN;
        LPOLESTR names[] = {const_cast<LPOLESTR>(member.name)};
        EXPECT_EQ(S_OK, object->GetIDsOfNames(IID_NULL, names, 1, kNeutralLocale, &id))
            << testing::PrintToString(std::u16string(member.name));
        EXPECT_EQ(member.id, id) << testing::PrintToString(std::u16string(member.name));
    }
    DISPID id = 0;
    LPOLESTR unknown[] = {const_cast<LPOLESTR>(u"KeyDestroy")};
    EXPECT_EQ(DISP_E_UNKNOWNNAME, object->GetIDsOfNames(IID_NULL, unknown, 1, kNeutralLocale, &id));
    EXPECT_EQ(DISPID_UNKNOWN, id);
}

TEST_F(PentakNames, TheTableOfFunctionsHoldsTheMembersInTheirOrderGetterBeforeSetter) {
    const auto object = create().as<IDispatch>();
    ASSERT_TRUE(object);
    Ptr<ITypeInfo> info;
    ASSERT_EQ(S_OK, object->GetTypeInfo(0, kNeutralLocale, info.put()));
    std::vector<std::pair<MEMBERID, INVOKEKIND>> expected;
    for (const auto& member : kMembers) {
        expected.emplace_back(member.id, member.kind == Method ? INVOKE_FUNC : INVOKE_PROPERTYGET);
        if (member.kind == GetPut) expected.emplace_back(member.id, INVOKE_PROPERTYPUT);
    }
    TYPEATTR* attr = nullptr;
    ASSERT_EQ(S_OK, info->GetTypeAttr(&attr));
    const UINT count = attr->cFuncs;
    info->ReleaseTypeAttr(attr);
    // After the seven functions of IUnknown and IDispatch, one slot each.
    constexpr std::size_t kInherited = 7;
    std::vector<std::pair<MEMBERID, INVOKEKIND>> table;
    for (UINT i = kInherited; i < count; ++i) {
        FUNCDESC* function = nullptr;
        ASSERT_EQ(S_OK, info->GetFuncDesc(i, &function));
        EXPECT_EQ(static_cast<SHORT>((kInherited + table.size()) * sizeof(void*)), function->oVft);
        table.emplace_back(function->memid, function->invkind);
        info->ReleaseFuncDesc(function);
    }
    EXPECT_EQ(expected, table);

    // The two help strings that spell their member's name otherwise.
    for (const auto& [id, help] : {std::pair{58, u"property MessageTBS"}, std::pair{56, u"property SignedMessage"}}) {
        BSTR text = nullptr;
        ASSERT_EQ(S_OK, info->GetDocumentation(id, nullptr, &text, nullptr, nullptr));
        EXPECT_EQ(std::u16string(help), std::u16string(text, SysStringLen(text)));
        SysFreeString(text);
    }
}

}  // namespace

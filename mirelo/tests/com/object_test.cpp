// The SignerKyd object through its table of functions and by name: the
// dispatch identities, the settings and state members, how a failure is
// reported, what Reset keeps, its safety options, and what two live
// objects share.
#include <algorithm>
#include <set>
#include <string>

#include "mirelo_client.h"
#include "win32/datetime.h"

namespace {

using namespace mirelo_test;
using platform::com::Ptr;

class MireloObject : public mirelo_test::MireloClient {
protected:
    IDispatch* byName() { return static_cast<IDispatch*>(object.get()); }

    // A property by name, which must be readable as a 32-bit number.
    LONG numberByName(const char16_t* name) {
        VARIANT value;
        VariantInit(&value);
        EXPECT_EQ(S_OK, invokeByName(byName(), name, DISPATCH_PROPERTYGET, {}, &value));
        EXPECT_EQ(VT_I4, value.vt);
        const LONG number = value.vt == VT_I4 ? value.lVal : -12345;
        VariantClear(&value);
        return number;
    }
    std::u16string textByName(const char16_t* name) {
        VARIANT value;
        VariantInit(&value);
        EXPECT_EQ(S_OK, invokeByName(byName(), name, DISPATCH_PROPERTYGET, {}, &value));
        EXPECT_EQ(VT_BSTR, value.vt);
        const std::u16string text = value.vt == VT_BSTR ? takeText(value.bstrVal) : std::u16string();
        if (value.vt != VT_BSTR) VariantClear(&value);
        return text;
    }
    HRESULT putByName(const char16_t* name, VARIANT value) {
        return invokeByName(byName(), name, DISPATCH_PROPERTYPUT, {value}, nullptr);
    }
    std::u16string lastErrorStr() {
        BSTR text = nullptr;
        EXPECT_EQ(S_OK, object->get_LastErrorStr(&text));
        return takeText(text);
    }
};

VARIANT textValue(const char16_t* text) {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_BSTR;
    v.bstrVal = SysAllocString(text);
    return v;
}

TEST_F(MireloObject, EveryMemberNameResolvesToItsFunctionsIdAndTheKeptSlotToNoName) {
    Ptr<ITypeInfo> info;
    ASSERT_EQ(S_OK, byName()->GetTypeInfo(0, LOCALE_SYSTEM_DEFAULT, info.put()));
    TYPEATTR* attr = nullptr;
    ASSERT_EQ(S_OK, info->GetTypeAttr(&attr));
    const UINT functions = attr->cFuncs;
    info->ReleaseTypeAttr(attr);
    ASSERT_EQ(7u + 84u, functions) << "IUnknown, IDispatch, then 84 slots";

    std::set<std::u16string> names;
    for (UINT slot = 7; slot < functions; ++slot) {
        FUNCDESC* desc = nullptr;
        ASSERT_EQ(S_OK, info->GetFuncDesc(slot, &desc));
        const MEMBERID memid = desc->memid;
        const WORD flags = desc->wFuncFlags;
        EXPECT_EQ(static_cast<SHORT>(slot * sizeof(void*)), desc->oVft);
        info->ReleaseFuncDesc(desc);
        if (slot == 81) {
            EXPECT_EQ(58, memid);
            EXPECT_NE(0, flags & FUNCFLAG_FHIDDEN);
            continue;
        }
        BSTR name = nullptr;
        ASSERT_EQ(S_OK, info->GetDocumentation(memid, &name, nullptr, nullptr, nullptr));
        const std::u16string text = takeText(name);
        EXPECT_EQ(memid, idOf(byName(), text.c_str())) << testing::PrintToString(text);
        EXPECT_NE(58, memid);
        names.insert(text);
    }
    EXPECT_EQ(63u, names.size());
    EXPECT_EQ(DISPID_UNKNOWN, idOf(byName(), u"ReservedSlot")) << "the kept slot's own name";
    for (const auto& [name, id] : {std::pair{u"Reset", 1}, std::pair{u"SetTrustedListFile", 57},
                                   std::pair{u"ShowCert", 59}, std::pair{u"CfgConfirmationDlg", 64}})
        EXPECT_EQ(id, idOf(byName(), name));
    VARIANT result;
    VariantInit(&result);
    DISPPARAMS none{};
    EXPECT_EQ(DISP_E_MEMBERNOTFOUND, byName()->Invoke(58, IID_NULL, LOCALE_SYSTEM_DEFAULT, DISPATCH_METHOD, &none,
                                                      &result, nullptr, nullptr));
}

TEST_F(MireloObject, SettingsReadTheSameThroughTheTableOfFunctionsAndByName) {
    EXPECT_EQ(S_OK, object->put_CfgConfirmationDlg(sgConfirmationDlgNoChangeSign));
    EXPECT_EQ(1, numberByName(u"CfgConfirmationDlg")) << "the last slot, after the kept one";
    ASSERT_EQ(S_OK, putByName(u"CfgFile", longValue(sgFileOverwrite)));
    sgFileFlags file = sgFileDefault;
    EXPECT_EQ(S_OK, object->get_CfgFile(&file));
    EXPECT_EQ(sgFileOverwrite, file);

    ASSERT_EQ(S_OK, putByName(u"CfgLanguageStr", textValue(u"sk")));
    sgLanguages language = sgLangCZ;
    EXPECT_EQ(S_OK, object->get_CfgLanguageNumber(&language));
    EXPECT_EQ(sgLangSK, language);
    EXPECT_EQ(u"SK", textByName(u"CfgLanguageStr"));

    LONG major = 0;
    LONG minor = 0;
    EXPECT_EQ(S_OK, object->get_VersionMajor(&major));
    EXPECT_EQ(S_OK, object->get_VersionMinor(&minor));
    EXPECT_EQ(major, numberByName(u"VersionMajor"));
    EXPECT_EQ(minor, numberByName(u"VersionMinor"));
    EXPECT_EQ(1, major);
    EXPECT_EQ(2824, minor);

    EXPECT_EQ(NTE_FAIL, object->put_SignatureIndex(0)) << "no signature to select";
    EXPECT_EQ(NTE_FAIL, putByName(u"SignatureIndex", longValue(0)));
    EXPECT_EQ(30, numberByName(u"LastErrorNumber"));

    ASSERT_EQ(S_OK, putByName(u"LastErrorStr", textValue(u"Łoś \u65E5\u672C")));
    EXPECT_EQ(u"Łoś ??", lastErrorStr()) << "the signer's text is ANSI: what the page lacks is replaced";

    VARIANT about;
    VariantInit(&about);
    ASSERT_EQ(S_OK, invokeByName(byName(), u"About", DISPATCH_METHOD, {}, &about));
    const std::u16string aboutText = takeText(about.bstrVal);
    EXPECT_NE(std::u16string::npos, aboutText.find(u"Mirelo"));
    EXPECT_TRUE(aboutText.ends_with(u"\n$Name: V3001 $ Mon Nov 28 22:09:02 2011"));
}

TEST_F(MireloObject, AFailureCarriesTheSystemErrorOfItsOwnCallsAndTheSignerKeepsItsNumberAndText) {
    ASSERT_EQ(S_OK, object->put_CfgLanguageNumber(sgLangEN));
    const HRESULT unusable = putByName(u"CryptographicServiceProvider", textValue(u"Zintra CSP"));
    EXPECT_TRUE(FAILED(unusable));
    EXPECT_NE(NTE_FAIL, unusable) << "the provider's own error";
    EXPECT_EQ(5006, lastErrorNumber());
    EXPECT_NE(std::u16string::npos, lastErrorStr().find(u"Zintra CSP"));

    EXPECT_EQ(NTE_FAIL, object->put_CfgLanguageNumber(static_cast<sgLanguages>(3)))
        << "no system error of its own: not the provider's from before";
    EXPECT_EQ(7002, lastErrorNumber());
    EXPECT_EQ(u"Language 3 is not supported.", lastErrorStr());
    EXPECT_EQ(NTE_FAIL, putByName(u"CfgLanguageStr", textValue(u"de")));
    EXPECT_EQ(7001, lastErrorNumber());
    EXPECT_EQ(sgLangEN, numberByName(u"CfgLanguageNumber"));

    ASSERT_EQ(S_OK, object->put_LogLevel(sgLogLevelDebug));
    ASSERT_EQ(S_OK, object->LogClear());
    EXPECT_EQ(E_POINTER, object->get_LastErrorNumber(nullptr));
    EXPECT_EQ(E_POINTER, object->get_LogString(nullptr));
    EXPECT_EQ(E_POINTER, object->About(nullptr));
    EXPECT_EQ(E_POINTER, object->SSCDProvidersEnum(0, nullptr));
    const std::u16string log = textByName(u"LogString");
    EXPECT_EQ(1, std::count(log.begin(), log.end(), u'\n')) << "only LogClear's own line:\n"
                                                           << testing::PrintToString(log);
    EXPECT_EQ(7001, lastErrorNumber()) << "a refused call records nothing";

    BSTR file = SysAllocString(u"document.txt");
    EXPECT_EQ(NTE_FAIL, object->SignFileToFile(file, file, file)) << "no plug-in declares the type";
    EXPECT_EQ(9301, lastErrorNumber());
    SysFreeString(file);

    // Without a preset certificate there is nothing to hand out or show.
    EXPECT_EQ(u"", textByName(u"SignCertPem"));
    EXPECT_EQ(E_POINTER, object->get_TsaAuthenticationCertPem(nullptr));
    EXPECT_EQ(NTE_FAIL, object->ShowSignCert());
    EXPECT_EQ(3024, lastErrorNumber());
    EXPECT_EQ(NTE_FAIL, object->ShowTsaAuthenticationCert());
    EXPECT_EQ(3015, lastErrorNumber());
}

TEST_F(MireloObject, ResetPutsBackTheObjectsSigningDefaultsAndKeepsEveryOtherSetting) {
    EXPECT_EQ(sgCharsetUTF8, numberByName(u"CfgSignCharset"));
    EXPECT_EQ(u"UTF-8", textByName(u"CfgSignCharsetStr"));
    ASSERT_EQ(S_OK, putByName(u"CfgSignCharsetStr", textValue(u"iso-8859-2")));
    EXPECT_EQ(sgCharsetISO8859_2, numberByName(u"CfgSignCharset"));
    EXPECT_EQ(u"ISO-8859-2", textByName(u"CfgSignCharsetStr"));
    for (const char16_t* unknown : {u"latin2", u""}) {
        EXPECT_EQ(S_OK, putByName(u"CfgSignCharsetStr", textValue(unknown))) << "an unknown charset is only recorded";
        EXPECT_EQ(8004, lastErrorNumber());
    }
    EXPECT_EQ(S_OK, object->put_CfgSignCharset(static_cast<sgCharsets>(7)));
    EXPECT_EQ(8004, lastErrorNumber());
    EXPECT_EQ(sgCharsetISO8859_2, numberByName(u"CfgSignCharset")) << "refused charsets change nothing";
    ASSERT_EQ(S_OK, object->put_CfgSignCharset(sgCharsetCP852));
    EXPECT_EQ(u"cp852", textByName(u"CfgSignCharsetStr"));

    sgHashAlgTypes hash = sgHashAlgMD2;
    EXPECT_EQ(S_OK, object->get_CfgSignHashAlgorithmType(&hash));
    EXPECT_EQ(511, hash) << "no digest chosen yet";
    EXPECT_EQ(25, numberByName(u"CfgCertSelection"));
    ULONG providers = 99;
    EXPECT_EQ(S_OK, object->get_SSCDProvidersCount(&providers));
    EXPECT_EQ(0u, providers);
    EXPECT_EQ(1023, numberByName(u"LastErrorSignatureNumber"));

    ASSERT_EQ(S_OK, object->put_LastErrorSignatureNumber(9));
    ASSERT_EQ(S_OK, object->put_SignatureCount(3));
    ASSERT_EQ(S_OK, object->put_SignatureIndex(2));
    ASSERT_EQ(S_OK, object->put_CfgFile(sgFileOverwrite));
    ASSERT_EQ(S_OK, object->put_CfgCertSelection(sgCertValid));
    ASSERT_EQ(S_OK, object->put_LogLevel(sgLogLevelErrs));
    ASSERT_EQ(S_OK, object->put_CfgSignHashAlgorithmType(sgHashAlgSHA256));
    EXPECT_EQ(u"sha256", textByName(u"CfgSignHashAlgorithmStr"));
    EXPECT_EQ(S_OK, object->put_CfgSignHashAlgorithmType(static_cast<sgHashAlgTypes>(9)))
        << "an unknown digest is only recorded";
    EXPECT_EQ(50, lastErrorNumber());
    EXPECT_EQ(sgHashAlgSHA256, numberByName(u"CfgSignHashAlgorithmType"));

    ASSERT_EQ(S_OK, object->Reset());
    EXPECT_EQ(sgCharsetUTF8, numberByName(u"CfgSignCharset"));
    EXPECT_EQ(0, numberByName(u"SignatureCount"));
    EXPECT_EQ(0, numberByName(u"SignatureIndex")) << "no index into results that are gone";
    EXPECT_EQ(sgFileOverwrite, numberByName(u"CfgFile"));
    EXPECT_EQ(25, numberByName(u"CfgCertSelection"));
    EXPECT_EQ(sgHashAlgSHA256, numberByName(u"CfgSignHashAlgorithmType"));
    EXPECT_EQ(sgLogLevelErrs, numberByName(u"LogLevel"));
    EXPECT_EQ(50, lastErrorNumber());

    ASSERT_EQ(S_OK, putByName(u"CfgSignHashAlgorithmStr", textValue(u"sha1")));
    EXPECT_EQ(sgHashAlgSHA, numberByName(u"CfgSignHashAlgorithmType"));
}

TEST_F(MireloObject, SafetyOptionsAreTheTwoSupportedOnesOnTheObjectsOwnInterfaces) {
    const auto safety = object.as<IObjectSafety>();
    ASSERT_TRUE(safety);
    DWORD supported = 9;
    DWORD enabled = 9;
    EXPECT_EQ(S_OK, safety->GetInterfaceSafetyOptions(IID_IDispatch, &supported, &enabled));
    EXPECT_EQ(3u, supported);
    EXPECT_EQ(0u, enabled);
    EXPECT_EQ(S_OK, safety->SetInterfaceSafetyOptions(IID_IDispatch, 3, 3));
    EXPECT_EQ(E_FAIL, safety->SetInterfaceSafetyOptions(IID_IDispatch, 4, 0));
    EXPECT_EQ(S_OK, safety->GetInterfaceSafetyOptions(IID_ISignerKyd, &supported, &enabled));
    EXPECT_EQ(3u, enabled) << "a refused change keeps the options";
    EXPECT_EQ(S_OK, safety->SetInterfaceSafetyOptions(IID_IDispatch, 1, 0));
    EXPECT_EQ(S_OK, safety->GetInterfaceSafetyOptions(IID_IDispatch, &supported, &enabled));
    EXPECT_EQ(2u, enabled);

    EXPECT_EQ(E_NOINTERFACE, safety->SetInterfaceSafetyOptions(IID_ITypeInfo, 3, 3));
    EXPECT_EQ(E_NOINTERFACE, safety->GetInterfaceSafetyOptions(IID_ITypeInfo, &supported, &enabled));
    EXPECT_EQ(0u, supported);
    EXPECT_EQ(0u, enabled);
    EXPECT_EQ(E_POINTER, safety->GetInterfaceSafetyOptions(IID_IDispatch, nullptr, &enabled));
}

TEST_F(MireloObject, ReleasingAnotherObjectLeavesThisOnesLogAndLanguage) {
    ASSERT_EQ(S_OK, object->put_LogLevel(sgLogLevelDebug));
    ASSERT_EQ(S_OK, object->put_CfgLanguageNumber(sgLangEN));
    auto other = create();
    ASSERT_TRUE(other);
    EXPECT_EQ(S_OK, other->put_CfgFile(sgFileOverwrite));
    other.reset();

    EXPECT_EQ(sgLangEN, numberByName(u"CfgLanguageNumber"));
    EXPECT_EQ(sgLogLevelDebug, numberByName(u"LogLevel"));
    EXPECT_NE(std::u16string::npos, textByName(u"LogString").find(u"SetFileFlags(): "))
        << "the other object's lines stay in the shared log";
}

}  // namespace

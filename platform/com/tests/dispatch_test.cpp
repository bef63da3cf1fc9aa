// The test server's dual interface from both sides: late-bound through
// IDispatch (names, coercions, out values, errors) and early-bound through
// the header the type-library compiler made, on the same object.
#include "com_test_support.h"

namespace {

using namespace com_test;
using platform::com::Ptr;

constexpr HRESULT kFailure = HRESULT_OF(0x80042001u);

class Dispatch : public RegisteredServer {
protected:
    void SetUp() override {
        RegisteredServer::SetUp();
        if (HasFatalFailure()) return;
        server = create();
        ASSERT_TRUE(server);
        dispatch = server.as<IDispatch>();
    }
    void TearDown() override {
        dispatch.reset();
        server.reset();
        RegisteredServer::TearDown();  // frees the module
    }

    DISPID id(const char16_t* name) {
        LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
        DISPID result = DISPID_UNKNOWN;
        EXPECT_EQ(S_OK, dispatch->GetIDsOfNames(IID_NULL, names, 1, LOCALE_SYSTEM_DEFAULT, &result));
        return result;
    }

    // Arguments in call order (reversed into rgvarg as callers do).
    HRESULT invoke(DISPID member, WORD flags, std::vector<VARIANT> arguments, VARIANT* result = nullptr,
                   UINT* argErr = nullptr, EXCEPINFO* excepInfo = nullptr, bool namedPut = false) {
        std::vector<VARIANT> reversed(arguments.rbegin(), arguments.rend());
        DISPID put = DISPID_PROPERTYPUT;
        DISPPARAMS params{reversed.data(), namedPut ? &put : nullptr, static_cast<UINT>(reversed.size()),
                          namedPut ? 1u : 0u};
        UINT ignored = 0;
        return dispatch->Invoke(member, IID_NULL, LOCALE_SYSTEM_DEFAULT, flags, &params, result, excepInfo,
                                argErr ? argErr : &ignored);
    }

    Ptr<ITestServer> server;
    Ptr<IDispatch> dispatch;
};

TEST_F(Dispatch, NamesResolveWithoutCaseIncludingTheInheritedMembers) {
    EXPECT_EQ(1, id(u"COUNT"));
    EXPECT_EQ(5, id(u"add"));
    EXPECT_EQ(11, id(u"Constant"));
    EXPECT_EQ(0x60000002, id(u"Release"));
    EXPECT_EQ(0x60000000, id(u"QueryInterface"));
    EXPECT_EQ(0x60010003, id(u"invoke"));

    LPOLESTR withArguments[] = {const_cast<LPOLESTR>(u"Add"), const_cast<LPOLESTR>(u"B"),
                                const_cast<LPOLESTR>(u"a")};
    DISPID ids[3] = {};
    EXPECT_EQ(S_OK, dispatch->GetIDsOfNames(IID_NULL, withArguments, 3, 0, ids));
    EXPECT_EQ(5, ids[0]);
    EXPECT_EQ(1, ids[1]);
    EXPECT_EQ(0, ids[2]);

    LPOLESTR unknown[] = {const_cast<LPOLESTR>(u"Subtract")};
    EXPECT_EQ(DISP_E_UNKNOWNNAME, dispatch->GetIDsOfNames(IID_NULL, unknown, 1, 0, ids));
    EXPECT_EQ(DISPID_UNKNOWN, ids[0]);
    EXPECT_EQ(DISP_E_UNKNOWNINTERFACE, dispatch->GetIDsOfNames(IID_ITestServer, unknown, 1, 0, ids));
}

TEST_F(Dispatch, ArgumentsAreCoercedToTheirDeclaredTypes) {
    Text fortyTwo(u"42");
    Var sum;
    ASSERT_EQ(S_OK, invoke(5, DISPATCH_METHOD, {bstr(fortyTwo.get()), i2(7)}, &sum));
    EXPECT_EQ(VT_I4, sum.vt);
    EXPECT_EQ(49, sum.lVal);

    // A put names its value DISPID_PROPERTYPUT; 2.5 rounds to even.
    ASSERT_EQ(S_OK, invoke(1, DISPATCH_PROPERTYPUT, {r8(2.5)}, nullptr, nullptr, nullptr, true));
    Var count;
    ASSERT_EQ(S_OK, invoke(1, DISPATCH_METHOD | DISPATCH_PROPERTYGET, {}, &count));
    EXPECT_EQ(VT_I4, count.vt);
    EXPECT_EQ(2, count.lVal);

    ASSERT_EQ(S_OK, invoke(3, DISPATCH_PROPERTYPUT, {i2(ShapeCircle)}, nullptr, nullptr, nullptr, true));
    tsShape shape = ShapeNone;
    EXPECT_EQ(S_OK, server->get_Shape(&shape));
    EXPECT_EQ(ShapeCircle, shape);

    Var described;
    ASSERT_EQ(S_OK, invoke(9, DISPATCH_METHOD, {i4(42)}, &described)) << "a VARIANT passed by value";
    EXPECT_EQ(std::u16string(u"vt 3: 42"), std::u16string(described.bstrVal));

    Var sibling;
    ASSERT_EQ(S_OK, invoke(10, DISPATCH_METHOD, {}, &sibling));
    ASSERT_EQ(VT_DISPATCH, sibling.vt);
    Var constant;
    DISPPARAMS none{};
    UINT argErr = 0;
    EXPECT_EQ(S_OK, sibling.pdispVal->Invoke(11, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, &constant, nullptr, &argErr));
    EXPECT_EQ(VT_R8, constant.vt);
    EXPECT_EQ(2.5, constant.dblVal);
}

TEST_F(Dispatch, OutArgumentsGoBackThroughReferences) {
    Text hello(u"hello");
    Text copy;
    VARIANT out;
    VariantInit(&out);
    out.vt = VT_BYREF | VT_BSTR;
    out.pbstrVal = copy.put();
    ASSERT_EQ(S_OK, invoke(6, DISPATCH_METHOD, {bstr(hello.get()), out}));
    EXPECT_EQ(u"hello", copy.str());

    // A reference to a variant takes the value with its type.
    Var empty;
    VARIANT toVariant;
    VariantInit(&toVariant);
    toVariant.vt = VT_BYREF | VT_VARIANT;
    toVariant.pvarVal = &empty;
    ASSERT_EQ(S_OK, invoke(7, DISPATCH_METHOD, {bstr(nullptr), toVariant}));
    EXPECT_EQ(VT_BOOL, empty.vt);
    EXPECT_EQ(VARIANT_TRUE, empty.boolVal) << "a null BSTR is empty";

    LONG wrongType = 0;
    VARIANT mismatched;
    VariantInit(&mismatched);
    mismatched.vt = VT_BYREF | VT_I4;
    mismatched.plVal = &wrongType;
    UINT argErr = 99;
    EXPECT_EQ(DISP_E_TYPEMISMATCH, invoke(6, DISPATCH_METHOD, {bstr(hello.get()), mismatched}, nullptr, &argErr));
    EXPECT_EQ(0u, argErr) << "the last argument is rgvarg[0]";
}

TEST_F(Dispatch, BadCallsGetTheDispatchErrors) {
    Text abc(u"abc");
    UINT argErr = 99;
    EXPECT_EQ(DISP_E_TYPEMISMATCH, invoke(5, DISPATCH_METHOD, {bstr(abc.get()), i4(1)}, nullptr, &argErr));
    EXPECT_EQ(1u, argErr) << "the first argument is the highest index";
    EXPECT_EQ(DISP_E_OVERFLOW, invoke(4, DISPATCH_PROPERTYPUT, {i4(-1)}, nullptr, &argErr, nullptr, true))
        << "-1 does not fit an unsigned long";
    EXPECT_EQ(DISP_E_BADPARAMCOUNT, invoke(5, DISPATCH_METHOD, {i4(1)}));
    EXPECT_EQ(DISP_E_BADPARAMCOUNT, invoke(5, DISPATCH_METHOD, {i4(1), i4(2), i4(3)}));
    VARIANT missing;
    VariantInit(&missing);
    missing.vt = VT_ERROR;
    missing.scode = DISP_E_PARAMNOTFOUND;
    EXPECT_EQ(DISP_E_PARAMNOTOPTIONAL, invoke(5, DISPATCH_METHOD, {i4(1), missing}));
    EXPECT_EQ(DISP_E_MEMBERNOTFOUND, invoke(99, DISPATCH_METHOD, {}));
    EXPECT_EQ(DISP_E_MEMBERNOTFOUND, invoke(11, DISPATCH_PROPERTYPUT, {r8(1)}, nullptr, nullptr, nullptr, true))
        << "a read-only property";
    EXPECT_EQ(DISP_E_MEMBERNOTFOUND, invoke(1, DISPATCH_METHOD, {})) << "a property is not a method";
    EXPECT_EQ(DISP_E_MEMBERNOTFOUND, invoke(0x60000002, DISPATCH_METHOD, {}));

    // A put whose value is not named DISPID_PROPERTYPUT is refused and
    // changes nothing.
    ASSERT_EQ(S_OK, invoke(1, DISPATCH_PROPERTYPUT, {i4(7)}, nullptr, nullptr, nullptr, true));
    EXPECT_EQ(DISP_E_PARAMNOTFOUND, invoke(1, DISPATCH_PROPERTYPUT, {i4(9)}));
    Var count;
    ASSERT_EQ(S_OK, invoke(1, DISPATCH_PROPERTYGET, {}, &count));
    EXPECT_EQ(7, count.lVal);
}

TEST_F(Dispatch, AFailingMemberIsAnExceptionWithItsErrorInfo) {
    Text description(u"no card in the reader");
    EXCEPINFO excep{};
    EXPECT_EQ(DISP_E_EXCEPTION, invoke(8, DISPATCH_METHOD, {bstr(description.get())}, nullptr, nullptr, &excep));
    EXPECT_EQ(kFailure, excep.scode);
    EXPECT_EQ(std::u16string(u"Tesk.TestServer"), std::u16string(excep.bstrSource));
    EXPECT_EQ(std::u16string(u"no card in the reader"), std::u16string(excep.bstrDescription));
    SysFreeString(excep.bstrSource);
    SysFreeString(excep.bstrDescription);
    SysFreeString(excep.bstrHelpFile);
    Ptr<IErrorInfo> left;
    EXPECT_EQ(S_FALSE, GetErrorInfo(0, left.put())) << "the exception took the error info";

    // Without an EXCEPINFO the member's own code comes back.
    EXPECT_EQ(kFailure, invoke(8, DISPATCH_METHOD, {bstr(description.get())}));
}

TEST_F(Dispatch, TheGeneratedHeaderCallsTheSameMembersThroughTheVtable) {
    BSTR name = reinterpret_cast<BSTR>(1);
    EXPECT_EQ(S_OK, server->get_Name(&name));
    EXPECT_EQ(nullptr, name) << "nothing set: a null string";
    Text value(u"Jana");
    EXPECT_EQ(S_OK, server->put_Name(value.get()));
    Var viaDispatch;
    ASSERT_EQ(S_OK, invoke(id(u"Name"), DISPATCH_PROPERTYGET, {}, &viaDispatch));
    EXPECT_EQ(std::u16string(u"Jana"), std::u16string(viaDispatch.bstrVal));

    LONG sum = 0;
    EXPECT_EQ(S_OK, server->Add(40, 2, &sum));
    EXPECT_EQ(42, sum);
    EXPECT_EQ(S_OK, server->put_Limit(0xFFFFFFFFu));
    Var limit;
    ASSERT_EQ(S_OK, invoke(4, DISPATCH_PROPERTYGET, {}, &limit));
    EXPECT_EQ(VT_UI4, limit.vt);
    EXPECT_EQ(0xFFFFFFFFu, limit.ulVal);
    VARIANT_BOOL empty = VARIANT_FALSE;
    Text text(u"x");
    EXPECT_EQ(S_OK, server->IsEmpty(text.get(), &empty));
    EXPECT_EQ(VARIANT_FALSE, empty);
}

TEST_F(Dispatch, TypeInformationListsTheMembersWithTheirHelpStrings) {
    UINT count = 0;
    EXPECT_EQ(S_OK, dispatch->GetTypeInfoCount(&count));
    EXPECT_EQ(1u, count);
    Ptr<ITypeInfo> info;
    ASSERT_EQ(S_OK, dispatch->GetTypeInfo(0, 0, info.put()));
    TYPEATTR* attr = nullptr;
    ASSERT_EQ(S_OK, info->GetTypeAttr(&attr));
    EXPECT_EQ(TKIND_DISPATCH, attr->typekind);
    EXPECT_TRUE(attr->wTypeFlags & TYPEFLAG_FDUAL);
    EXPECT_EQ(7 + 15, attr->cFuncs) << "the inherited members first";
    const WORD functions = attr->cFuncs;
    info->ReleaseTypeAttr(attr);

    std::vector<std::u16string> listed;
    for (UINT i = 0; i < functions; ++i) {
        FUNCDESC* function = nullptr;
        ASSERT_EQ(S_OK, info->GetFuncDesc(i, &function));
        if (function->memid == 5) {
            EXPECT_EQ(2, function->cParams) << "[out, retval] is the result";
            EXPECT_EQ(VT_I4, function->elemdescFunc.tdesc.vt);
            EXPECT_EQ(VT_I4, function->lprgelemdescParam[1].tdesc.vt);
            EXPECT_EQ(INVOKE_FUNC, function->invkind);
        }
        if (function->memid == 6) {
            EXPECT_EQ(VT_PTR, function->lprgelemdescParam[1].tdesc.vt);
            EXPECT_EQ(VT_BSTR, function->lprgelemdescParam[1].tdesc.lptdesc->vt);
            EXPECT_EQ(PARAMFLAG_FOUT, function->lprgelemdescParam[1].paramdesc.wParamFlags);
        }
        Text name;
        Text help;
        ASSERT_EQ(S_OK, info->GetDocumentation(function->memid, name.put(), help.put(), nullptr, nullptr));
        if (!(function->wFuncFlags & FUNCFLAG_FRESTRICTED)) listed.push_back(name.str() + u": " + help.str());
        info->ReleaseFuncDesc(function);
    }
    EXPECT_EQ(15u, listed.size());
    EXPECT_EQ(u"Count: property Count", listed.front());
    EXPECT_EQ(u"Constant: property Constant", listed.back());

    BSTR names[4] = {};
    UINT found = 0;
    ASSERT_EQ(S_OK, info->GetNames(5, names, 4, &found));
    ASSERT_EQ(3u, found);
    EXPECT_EQ(std::u16string(u"Add"), std::u16string(names[0]));
    EXPECT_EQ(std::u16string(u"b"), std::u16string(names[2]));
    for (UINT i = 0; i < found; ++i) SysFreeString(names[i]);

    // The library is found again through its registration, enumeration included.
    Ptr<ITypeLib> library;
    ASSERT_EQ(S_OK, LoadRegTypeLib(LIBID_TestServerLib, 1, 0, 0, library.put()));
    Text libraryName;
    Text libraryHelp;
    ASSERT_EQ(S_OK, library->GetDocumentation(-1, libraryName.put(), libraryHelp.put(), nullptr, nullptr));
    EXPECT_EQ(u"TestServerLib", libraryName.str());
    EXPECT_EQ(u"Test Server 1.0 Type Library", libraryHelp.str());
    Ptr<ITypeInfo> shapes;
    ASSERT_EQ(S_OK, library->GetTypeInfo(0, shapes.put()));
    VARDESC* circle = nullptr;
    ASSERT_EQ(S_OK, shapes->GetVarDesc(2, &circle));
    EXPECT_EQ(VAR_CONST, circle->varkind);
    EXPECT_EQ(7, circle->lpvarValue->lVal);
    Text circleName;
    EXPECT_EQ(S_OK, shapes->GetDocumentation(circle->memid, circleName.put(), nullptr, nullptr, nullptr));
    EXPECT_EQ(u"ShapeCircle", circleName.str());
    shapes->ReleaseVarDesc(circle);
    EXPECT_EQ(TYPE_E_LIBNOTREGISTERED, LoadRegTypeLib(LIBID_TestServerLib, 2, 0, 0, library.put()));
}

}  // namespace

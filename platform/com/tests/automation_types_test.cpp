// The rules of BSTRs, variants, their coercions and safe arrays that a
// caller notices.
#include <gtest/gtest.h>

#include <cstring>

#include "testkit/platform_root.h"
#include "win32/datetime.h"
#include "win32/oleauto.h"

namespace {

// An IUnknown that counts its references, to see copies and clears.
class Counted final : public IUnknown {
public:
    HRESULT QueryInterface(REFIID iid, void** ppv) override {
        if (iid != IID_IUnknown) return E_NOINTERFACE;
        *ppv = this;
        AddRef();
        return S_OK;
    }
    ULONG AddRef() override { return ++references; }
    ULONG Release() override { return --references; }
    ULONG references = 1;
};

std::u16string textOf(BSTR text) { return text ? std::u16string(text, SysStringLen(text)) : u""; }

VARIANT text(const char16_t* value) {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_BSTR;
    v.bstrVal = SysAllocString(value);
    return v;
}

VARIANT number(VARTYPE vt, double value) {
    VARIANT v;
    VariantInit(&v);
    v.vt = vt;
    switch (vt) {
    case VT_I2: v.iVal = static_cast<SHORT>(value); break;
    case VT_I4: v.lVal = static_cast<LONG>(value); break;
    case VT_BOOL: v.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE; break;
    default: v.dblVal = value; break;
    }
    return v;
}

TEST(Bstr, LengthsNullsAndEmbeddedZeros) {
    EXPECT_EQ(0u, SysStringLen(nullptr)) << "a null BSTR is empty";
    EXPECT_EQ(0u, SysStringByteLen(nullptr));
    EXPECT_EQ(nullptr, SysAllocString(nullptr));
    SysFreeString(nullptr);

    const char16_t withZero[] = {u'a', 0, u'b'};
    BSTR s = SysAllocStringLen(withZero, 3);
    EXPECT_EQ(3u, SysStringLen(s));
    EXPECT_EQ(6u, SysStringByteLen(s));
    EXPECT_EQ(0, s[3]) << "terminated";
    EXPECT_EQ(u'b', s[2]);
    EXPECT_TRUE(SysReAllocString(&s, s + 2)) << "from a part of itself";
    EXPECT_EQ(u"b", textOf(s));
    EXPECT_TRUE(SysReAllocStringLen(&s, u"longer text", 6));
    EXPECT_EQ(u"longer", textOf(s));
    SysFreeString(s);

    BSTR bytes = SysAllocStringByteLen("abc", 3);
    EXPECT_EQ(3u, SysStringByteLen(bytes));
    EXPECT_EQ(1u, SysStringLen(bytes));
    EXPECT_EQ(0, std::memcmp(bytes, "abc", 4)) << "an odd length still ends in NUL";
    SysFreeString(bytes);
}

TEST(Variant, CopyIsDeepAndClearFreesWhatTheVariantOwns) {
    VARIANT original = text(u"kept");
    VARIANT copy;
    VariantInit(&copy);
    ASSERT_EQ(S_OK, VariantCopy(&copy, &original));
    EXPECT_NE(original.bstrVal, copy.bstrVal);
    EXPECT_EQ(S_OK, VariantClear(&original));
    EXPECT_EQ(VT_EMPTY, original.vt);
    EXPECT_EQ(u"kept", textOf(copy.bstrVal));

    Counted object;
    VARIANT holder;
    VariantInit(&holder);
    holder.vt = VT_UNKNOWN;
    holder.punkVal = &object;
    object.AddRef();
    ASSERT_EQ(S_OK, VariantCopy(&copy, &holder)) << "the destination's string is freed first";
    EXPECT_EQ(3u, object.references);
    VariantClear(&copy);
    VariantClear(&holder);
    EXPECT_EQ(1u, object.references);

    // Arrays are copied element by element; a reference is followed by VariantCopyInd.
    VARIANT array;
    VariantInit(&array);
    array.vt = VT_ARRAY | VT_BSTR;
    array.parray = SafeArrayCreateVector(VT_BSTR, 0, 1);
    LONG index = 0;
    BSTR element = SysAllocString(u"inside");
    ASSERT_EQ(S_OK, SafeArrayPutElement(array.parray, &index, element));
    SysFreeString(element);
    ASSERT_EQ(S_OK, VariantCopy(&copy, &array));
    EXPECT_NE(array.parray, copy.parray);
    VariantClear(&array);
    BSTR read = nullptr;
    ASSERT_EQ(S_OK, SafeArrayGetElement(copy.parray, &index, &read));
    EXPECT_EQ(u"inside", textOf(read));
    SysFreeString(read);
    VariantClear(&copy);

    LONG referenced = 17;
    VARIANT reference;
    VariantInit(&reference);
    reference.vt = VT_BYREF | VT_I4;
    reference.plVal = &referenced;
    ASSERT_EQ(S_OK, VariantCopyInd(&copy, &reference));
    EXPECT_EQ(VT_I4, copy.vt);
    EXPECT_EQ(17, copy.lVal);

    VARIANT bad;
    VariantInit(&bad);
    bad.vt = 0x0FFF;
    EXPECT_EQ(DISP_E_BADVARTYPE, VariantClear(&bad));
}

TEST(Variant, ChangeTypeFollowsTheAutomationRules) {
    VARIANT out;
    VariantInit(&out);
    VARIANT in = text(u" 42 ");
    ASSERT_EQ(S_OK, VariantChangeType(&out, &in, 0, VT_I4));
    EXPECT_EQ(42, out.lVal);
    VariantClear(&in);

    // Half rounds to even; what does not fit is an overflow that leaves the destination alone.
    in = number(VT_R8, 2.5);
    ASSERT_EQ(S_OK, VariantChangeType(&out, &in, 0, VT_I4));
    EXPECT_EQ(2, out.lVal);
    in = number(VT_R8, 3.5);
    ASSERT_EQ(S_OK, VariantChangeType(&out, &in, 0, VT_I2));
    EXPECT_EQ(VT_I2, out.vt);
    EXPECT_EQ(4, out.iVal);
    in = number(VT_I4, 70000);
    EXPECT_EQ(DISP_E_OVERFLOW, VariantChangeType(&out, &in, 0, VT_I2));
    EXPECT_EQ(VT_I2, out.vt);
    EXPECT_EQ(4, out.iVal);
    in = number(VT_I4, -1);
    EXPECT_EQ(DISP_E_OVERFLOW, VariantChangeType(&out, &in, 0, VT_UI4));

    in = text(u"4x");
    EXPECT_EQ(DISP_E_TYPEMISMATCH, VariantChangeType(&out, &in, 0, VT_I4));
    VariantClear(&in);
    in.vt = VT_NULL;
    EXPECT_EQ(DISP_E_TYPEMISMATCH, VariantChangeType(&out, &in, 0, VT_I4));
    in.vt = VT_EMPTY;
    ASSERT_EQ(S_OK, VariantChangeType(&out, &in, 0, VT_BSTR));
    EXPECT_EQ(VT_BSTR, out.vt);
    EXPECT_EQ(0u, SysStringLen(out.bstrVal));

    // Booleans are -1 and 0, as numbers and as text.
    in = number(VT_BOOL, 1);
    ASSERT_EQ(S_OK, VariantChangeType(&out, &in, 0, VT_BSTR));
    EXPECT_EQ(u"-1", textOf(out.bstrVal));
    ASSERT_EQ(S_OK, VariantChangeType(&out, &in, VARIANT_ALPHABOOL, VT_BSTR));
    EXPECT_EQ(u"True", textOf(out.bstrVal));
    ASSERT_EQ(S_OK, VariantChangeType(&out, &out, 0, VT_BOOL)) << "in place";
    EXPECT_EQ(VARIANT_TRUE, out.boolVal);

    // The locale's decimal separator.
    in = number(VT_R8, 1.5);
    ASSERT_EQ(S_OK, VariantChangeTypeEx(&out, &in, LOCALE_CS_CZ, 0, VT_BSTR));
    EXPECT_EQ(u"1,5", textOf(out.bstrVal));
    ASSERT_EQ(S_OK, VariantChangeTypeEx(&out, &in, LOCALE_EN_US, 0, VT_BSTR));
    EXPECT_EQ(u"1.5", textOf(out.bstrVal));
    ASSERT_EQ(S_OK, VariantChangeTypeEx(&out, &out, LOCALE_EN_US, 0, VT_R8));
    EXPECT_EQ(1.5, out.dblVal);
    in = text(u"1.5");
    EXPECT_EQ(DISP_E_TYPEMISMATCH, VariantChangeTypeEx(&out, &in, LOCALE_CS_CZ, 0, VT_R8));
    VariantClear(&in);

    // Dates read and written in the locale's short form.
    in = text(u"31.12.2024 13:05:00");
    ASSERT_EQ(S_OK, VariantChangeTypeEx(&out, &in, LOCALE_CS_CZ, 0, VT_DATE));
    SYSTEMTIME st{};
    ASSERT_TRUE(VariantTimeToSystemTime(out.date, &st));
    EXPECT_EQ(2024, st.wYear);
    EXPECT_EQ(12, st.wMonth);
    EXPECT_EQ(13, st.wHour);
    ASSERT_EQ(S_OK, VariantChangeTypeEx(&out, &out, LOCALE_CS_CZ, 0, VT_BSTR));
    EXPECT_EQ(u"31.12.2024 13:05:00", textOf(out.bstrVal));
    VariantClear(&in);

    // A text and an array of its bytes convert into each other.
    in = text(u"AB");
    ASSERT_EQ(S_OK, VariantChangeType(&out, &in, 0, VT_ARRAY | VT_UI1));
    EXPECT_EQ(4u, out.parray->rgsabound[0].cElements);
    EXPECT_EQ('A', static_cast<BYTE*>(out.parray->pvData)[0]);
    ASSERT_EQ(S_OK, VariantChangeType(&out, &out, 0, VT_BSTR));
    EXPECT_EQ(u"AB", textOf(out.bstrVal));
    VariantClear(&in);
    VariantClear(&out);

    LONG referenced = 7;
    VARIANT reference;
    VariantInit(&reference);
    reference.vt = VT_BYREF | VT_I4;
    reference.plVal = &referenced;
    ASSERT_EQ(S_OK, VariantChangeType(&out, &reference, 0, VT_R8));
    EXPECT_EQ(7.0, out.dblVal);
    EXPECT_EQ(DISP_E_TYPEMISMATCH, VariantChangeType(&out, &reference, 0, VT_BYREF | VT_I4));
}

TEST(SafeArray, BoundsElementsAndLocks) {
    SAFEARRAYBOUND bound{3, 1};
    SAFEARRAY* strings = SafeArrayCreate(VT_BSTR, 1, &bound);
    ASSERT_NE(nullptr, strings);
    LONG low = 0, high = 0;
    EXPECT_EQ(S_OK, SafeArrayGetLBound(strings, 1, &low));
    EXPECT_EQ(S_OK, SafeArrayGetUBound(strings, 1, &high));
    EXPECT_EQ(1, low);
    EXPECT_EQ(3, high);
    EXPECT_EQ(DISP_E_BADINDEX, SafeArrayGetLBound(strings, 2, &low));

    LONG index = 3;
    BSTR value = SysAllocString(u"third");
    EXPECT_EQ(S_OK, SafeArrayPutElement(strings, &index, value));
    SysFreeString(value);  // the array keeps a copy
    index = 0;
    EXPECT_EQ(DISP_E_BADINDEX, SafeArrayPutElement(strings, &index, nullptr));
    index = 4;
    BSTR out = nullptr;
    EXPECT_EQ(DISP_E_BADINDEX, SafeArrayGetElement(strings, &index, &out));

    BSTR* data = nullptr;
    ASSERT_EQ(S_OK, SafeArrayAccessData(strings, reinterpret_cast<void**>(&data)));
    EXPECT_EQ(u"third", textOf(data[2]));
    EXPECT_EQ(nullptr, data[0]);
    EXPECT_EQ(DISP_E_ARRAYISLOCKED, SafeArrayDestroy(strings));
    EXPECT_EQ(S_OK, SafeArrayUnaccessData(strings));
    EXPECT_EQ(E_UNEXPECTED, SafeArrayUnaccessData(strings));
    VARTYPE vt = VT_EMPTY;
    EXPECT_EQ(S_OK, SafeArrayGetVartype(strings, &vt));
    EXPECT_EQ(VT_BSTR, vt);
    EXPECT_EQ(S_OK, SafeArrayDestroy(strings));

    SAFEARRAY* variants = SafeArrayCreateVector(VT_VARIANT, 0, 2);
    VARIANT element = text(u"in a variant");
    index = 1;
    EXPECT_EQ(S_OK, SafeArrayPutElement(variants, &index, &element));
    VariantClear(&element);
    VARIANT read;
    EXPECT_EQ(S_OK, SafeArrayGetElement(variants, &index, &read));
    EXPECT_EQ(u"in a variant", textOf(read.bstrVal));
    VariantClear(&read);
    EXPECT_EQ(S_OK, SafeArrayDestroy(variants));
    EXPECT_EQ(nullptr, SafeArrayCreate(VT_BSTR, 2, &bound)) << "one dimension only";
}

TEST(Guid, TextFormsBothWays) {
    testkit::PlatformRoot root;  // a text that is no GUID is looked up as a ProgID
    const GUID guid = {0x5C2B6F12, 0x7A41, 0x4E55, {0x9D, 0x3B, 0x1F, 0x0C, 0x2A, 0x6E, 0x8B, 0x01}};
    OLECHAR buffer[39];
    EXPECT_EQ(39, StringFromGUID2(guid, buffer, 39));
    EXPECT_EQ(std::u16string(u"{5C2B6F12-7A41-4E55-9D3B-1F0C2A6E8B01}"), buffer);
    EXPECT_EQ(0, StringFromGUID2(guid, buffer, 38));
    CLSID back{};
    EXPECT_EQ(S_OK, CLSIDFromString(u"{5c2b6f12-7a41-4e55-9d3b-1f0c2a6e8b01}", &back));
    EXPECT_EQ(guid, back);
    EXPECT_EQ(CO_E_CLASSSTRING, CLSIDFromString(u"{5C2B6F12-7A41-4E55-9D3B-1F0C2A6E8B0}", &back));
    EXPECT_EQ(CO_E_CLASSSTRING, CLSIDFromString(u"5C2B6F12-7A41-4E55-9D3B-1F0C2A6E8B01", &back));
}

}  // namespace

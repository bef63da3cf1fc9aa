// OLE Automation: BSTR, VARIANT and its coercions, SAFEARRAY, IDispatch and
// the dispatch helpers, type libraries and their type information, and the
// thread's error info. Records keep the Windows field order with
// pointer-sized fields (a VARIANT is 24 bytes).
#pragma once

#include "win32/com.h"

using BSTR = OLECHAR*;
using LPBSTR = BSTR*;
using VARTYPE = USHORT;
using VARIANT_BOOL = SHORT;
using DISPID = LONG;
using MEMBERID = DISPID;
using HREFTYPE = DWORD;
using FLOAT = float;
using DOUBLE = double;

inline constexpr VARIANT_BOOL VARIANT_TRUE = -1;
inline constexpr VARIANT_BOOL VARIANT_FALSE = 0;

enum VARENUM : VARTYPE {
    VT_EMPTY = 0,
    VT_NULL = 1,
    VT_I2 = 2,
    VT_I4 = 3,
    VT_R4 = 4,
    VT_R8 = 5,
    VT_CY = 6,
    VT_DATE = 7,
    VT_BSTR = 8,
    VT_DISPATCH = 9,
    VT_ERROR = 10,
    VT_BOOL = 11,
    VT_VARIANT = 12,
    VT_UNKNOWN = 13,
    VT_DECIMAL = 14,
    VT_I1 = 16,
    VT_UI1 = 17,
    VT_UI2 = 18,
    VT_UI4 = 19,
    VT_I8 = 20,
    VT_UI8 = 21,
    VT_INT = 22,
    VT_UINT = 23,
    VT_VOID = 24,
    VT_HRESULT = 25,
    VT_PTR = 26,
    VT_SAFEARRAY = 27,
    VT_USERDEFINED = 29,
    VT_ARRAY = 0x2000,
    VT_BYREF = 0x4000,
    VT_TYPEMASK = 0x0FFF,
};

struct IDispatch;
struct ITypeInfo;
struct ITypeLib;
struct ITypeComp;

// --- BSTR -------------------------------------------------------------------
// A BSTR points at UTF-16 text preceded by its length in bytes and followed
// by a NUL; it may hold NULs of its own. A null BSTR is an empty string to
// every function here. All modules share one heap, so a BSTR made by one
// module may be freed by another.
BSTR SysAllocString(const OLECHAR* psz) noexcept;  // null in, null out
BSTR SysAllocStringLen(const OLECHAR* strIn, UINT ui) noexcept;  // null text: ui zeroed characters
BSTR SysAllocStringByteLen(LPCSTR psz, UINT len) noexcept;
INT SysReAllocString(BSTR* pbstr, const OLECHAR* psz) noexcept;
INT SysReAllocStringLen(BSTR* pbstr, const OLECHAR* psz, UINT len) noexcept;
void SysFreeString(BSTR bstrString) noexcept;
UINT SysStringLen(BSTR pbstr) noexcept;
UINT SysStringByteLen(BSTR bstr) noexcept;

// --- SAFEARRAY --------------------------------------------------------------
struct SAFEARRAYBOUND {
    ULONG cElements;
    LONG lLbound;
};
struct SAFEARRAY {
    USHORT cDims;
    USHORT fFeatures;
    ULONG cbElements;
    ULONG cLocks;
    PVOID pvData;
    SAFEARRAYBOUND rgsabound[1];
};
using LPSAFEARRAY = SAFEARRAY*;
inline constexpr USHORT FADF_AUTO = 0x0001;
inline constexpr USHORT FADF_STATIC = 0x0002;
inline constexpr USHORT FADF_FIXEDSIZE = 0x0010;
inline constexpr USHORT FADF_HAVEVARTYPE = 0x0080;
inline constexpr USHORT FADF_BSTR = 0x0100;
inline constexpr USHORT FADF_UNKNOWN = 0x0200;
inline constexpr USHORT FADF_DISPATCH = 0x0400;
inline constexpr USHORT FADF_VARIANT = 0x0800;

// One dimension; elements VT_UI1, VT_I2, VT_I4, VT_UI4, VT_INT, VT_UINT,
// VT_R8, VT_DATE, VT_BOOL, VT_BSTR, VT_VARIANT, VT_UNKNOWN, VT_DISPATCH.
// Other types or dimensions give a null array.
SAFEARRAY* SafeArrayCreate(VARTYPE vt, UINT cDims, SAFEARRAYBOUND* rgsabound) noexcept;
SAFEARRAY* SafeArrayCreateVector(VARTYPE vt, LONG lLbound, ULONG cElements) noexcept;
// Frees the elements (strings, variants, interface references) and the
// array; DISP_E_ARRAYISLOCKED while its data is accessed.
HRESULT SafeArrayDestroy(SAFEARRAY* psa) noexcept;
HRESULT SafeArrayCopy(SAFEARRAY* psa, SAFEARRAY** ppsaOut) noexcept;
HRESULT SafeArrayAccessData(SAFEARRAY* psa, void** ppvData) noexcept;
HRESULT SafeArrayUnaccessData(SAFEARRAY* psa) noexcept;
HRESULT SafeArrayGetLBound(SAFEARRAY* psa, UINT nDim, LONG* plLbound) noexcept;
HRESULT SafeArrayGetUBound(SAFEARRAY* psa, UINT nDim, LONG* plUbound) noexcept;
HRESULT SafeArrayGetVartype(SAFEARRAY* psa, VARTYPE* pvt) noexcept;
UINT SafeArrayGetDim(SAFEARRAY* psa) noexcept;
// Element copies in and out: a string or variant is copied, an interface
// gains a reference; the caller frees what it receives. An index outside
// the bounds is DISP_E_BADINDEX.
HRESULT SafeArrayGetElement(SAFEARRAY* psa, LONG* rgIndices, void* pv) noexcept;
HRESULT SafeArrayPutElement(SAFEARRAY* psa, LONG* rgIndices, void* pv) noexcept;

// --- VARIANT ----------------------------------------------------------------
struct VARIANT;
using VARIANTARG = VARIANT;
using LPVARIANT = VARIANT*;
using LPVARIANTARG = VARIANT*;

struct VARIANT_RECORD {
    PVOID pvRecord;
    IUnknown* pRecInfo;
};

struct VARIANT {
    VARTYPE vt;
    WORD wReserved1;
    WORD wReserved2;
    WORD wReserved3;
    union {
        LONGLONG llVal;
        LONG lVal;
        BYTE bVal;
        SHORT iVal;
        FLOAT fltVal;
        DOUBLE dblVal;
        VARIANT_BOOL boolVal;
        SCODE scode;
        DATE date;
        BSTR bstrVal;
        IUnknown* punkVal;
        IDispatch* pdispVal;
        SAFEARRAY* parray;
        BYTE* pbVal;
        SHORT* piVal;
        LONG* plVal;
        DOUBLE* pdblVal;
        VARIANT_BOOL* pboolVal;
        SCODE* pscode;
        DATE* pdate;
        BSTR* pbstrVal;
        IUnknown** ppunkVal;
        IDispatch** ppdispVal;
        SAFEARRAY** pparray;
        VARIANT* pvarVal;
        PVOID byref;
        CHAR cVal;
        USHORT uiVal;
        ULONG ulVal;
        ULONGLONG ullVal;
        INT intVal;
        UINT uintVal;
        ULONG* pulVal;
        INT* pintVal;
        UINT* puintVal;
        VARIANT_RECORD brecVal;
    };
};

#define V_VT(X) ((X)->vt)
#define V_ISBYREF(X) ((V_VT(X) & VT_BYREF) != 0)
#define V_ISARRAY(X) ((V_VT(X) & VT_ARRAY) != 0)
#define V_UI1(X) ((X)->bVal)
#define V_I2(X) ((X)->iVal)
#define V_I4(X) ((X)->lVal)
#define V_UI4(X) ((X)->ulVal)
#define V_INT(X) ((X)->intVal)
#define V_UINT(X) ((X)->uintVal)
#define V_R8(X) ((X)->dblVal)
#define V_DATE(X) ((X)->date)
#define V_BOOL(X) ((X)->boolVal)
#define V_ERROR(X) ((X)->scode)
#define V_BSTR(X) ((X)->bstrVal)
#define V_UNKNOWN(X) ((X)->punkVal)
#define V_DISPATCH(X) ((X)->pdispVal)
#define V_ARRAY(X) ((X)->parray)
#define V_BYREF(X) ((X)->byref)
#define V_I4REF(X) ((X)->plVal)
#define V_UI4REF(X) ((X)->pulVal)
#define V_BOOLREF(X) ((X)->pboolVal)
#define V_BSTRREF(X) ((X)->pbstrVal)
#define V_VARIANTREF(X) ((X)->pvarVal)

void VariantInit(VARIANTARG* pvarg) noexcept;
// Frees what the variant owns (string, array, a reference of an
// interface; nothing behind VT_BYREF) and leaves it VT_EMPTY.
HRESULT VariantClear(VARIANTARG* pvarg) noexcept;
// Clears the destination, then copies: strings and arrays deeply, interfaces
// with a new reference, VT_BYREF as the same reference.
HRESULT VariantCopy(VARIANTARG* pvargDest, const VARIANTARG* pvargSrc) noexcept;
// As VariantCopy, but a VT_BYREF source is copied as the value it refers to.
HRESULT VariantCopyInd(VARIANT* pvarDest, const VARIANTARG* pvargSrc) noexcept;

inline constexpr USHORT VARIANT_NOVALUEPROP = 0x01;
inline constexpr USHORT VARIANT_ALPHABOOL = 0x02;
inline constexpr USHORT VARIANT_NOUSEROVERRIDE = 0x04;
inline constexpr USHORT VARIANT_LOCALBOOL = 0x10;
// Coerces to vt (not VT_BYREF) by the Automation rules: numbers round half
// to even and out-of-range values are DISP_E_OVERFLOW; text is read and
// written with the locale's decimal separator; a boolean is -1 or 0 ("True"
// and "False" with VARIANT_ALPHABOOL); VT_NULL converts to nothing but
// itself; an object gives its value property (DISPID_VALUE) unless
// VARIANT_NOVALUEPROP; a text becomes VT_ARRAY|VT_UI1 bytes and back.
// Impossible conversions are DISP_E_TYPEMISMATCH, unknown types
// DISP_E_BADVARTYPE. Source and destination may be the same variant; on
// failure the destination is unchanged.
HRESULT VariantChangeType(VARIANTARG* pvargDest, const VARIANTARG* pvarSrc, USHORT wFlags, VARTYPE vt) noexcept;
HRESULT VariantChangeTypeEx(VARIANTARG* pvargDest, const VARIANTARG* pvarSrc, LCID lcid, USHORT wFlags,
                            VARTYPE vt) noexcept;

// --- IDispatch --------------------------------------------------------------
inline constexpr IID IID_IDispatch = {0x00020400, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

inline constexpr DISPID DISPID_UNKNOWN = -1;
inline constexpr DISPID DISPID_VALUE = 0;
inline constexpr DISPID DISPID_PROPERTYPUT = -3;
inline constexpr DISPID DISPID_NEWENUM = -4;
inline constexpr MEMBERID MEMBERID_NIL = DISPID_UNKNOWN;

inline constexpr WORD DISPATCH_METHOD = 0x1;
inline constexpr WORD DISPATCH_PROPERTYGET = 0x2;
inline constexpr WORD DISPATCH_PROPERTYPUT = 0x4;
inline constexpr WORD DISPATCH_PROPERTYPUTREF = 0x8;

struct DISPPARAMS {
    VARIANTARG* rgvarg;  // the arguments, last one first
    DISPID* rgdispidNamedArgs;
    UINT cArgs;
    UINT cNamedArgs;
};

struct EXCEPINFO {
    WORD wCode;
    WORD wReserved;
    BSTR bstrSource;
    BSTR bstrDescription;
    BSTR bstrHelpFile;
    DWORD dwHelpContext;
    PVOID pvReserved;
    HRESULT (*pfnDeferredFillIn)(EXCEPINFO*);
    SCODE scode;
};

struct IDispatch : public IUnknown {
    virtual HRESULT GetTypeInfoCount(UINT* pctinfo) = 0;
    virtual HRESULT GetTypeInfo(UINT iTInfo, LCID lcid, ITypeInfo** ppTInfo) = 0;
    virtual HRESULT GetIDsOfNames(REFIID riid, LPOLESTR* rgszNames, UINT cNames, LCID lcid, DISPID* rgDispId) = 0;
    virtual HRESULT Invoke(DISPID dispIdMember, REFIID riid, LCID lcid, WORD wFlags, DISPPARAMS* pDispParams,
                           VARIANT* pVarResult, EXCEPINFO* pExcepInfo, UINT* puArgErr) = 0;

protected:
    ~IDispatch() = default;
};

// --- Type information -------------------------------------------------------
inline constexpr IID IID_ITypeInfo = {0x00020401, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr IID IID_ITypeLib = {0x00020402, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
// The automation marshaller, the proxy/stub of every dual interface.
inline constexpr CLSID CLSID_PSOAInterface = {0x00020424, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

enum TYPEKIND {
    TKIND_ENUM = 0,
    TKIND_RECORD,
    TKIND_MODULE,
    TKIND_INTERFACE,
    TKIND_DISPATCH,
    TKIND_COCLASS,
    TKIND_ALIAS,
    TKIND_UNION,
    TKIND_MAX
};
enum SYSKIND { SYS_WIN16 = 0, SYS_WIN32, SYS_MAC, SYS_WIN64 };
enum FUNCKIND { FUNC_VIRTUAL = 0, FUNC_PUREVIRTUAL, FUNC_NONVIRTUAL, FUNC_STATIC, FUNC_DISPATCH };
enum INVOKEKIND {
    INVOKE_FUNC = 1,
    INVOKE_PROPERTYGET = 2,
    INVOKE_PROPERTYPUT = 4,
    INVOKE_PROPERTYPUTREF = 8
};
enum CALLCONV { CC_FASTCALL = 0, CC_CDECL = 1, CC_MSCPASCAL, CC_PASCAL = CC_MSCPASCAL, CC_MACPASCAL, CC_STDCALL };
enum VARKIND { VAR_PERINSTANCE = 0, VAR_STATIC, VAR_CONST, VAR_DISPATCH };

inline constexpr WORD TYPEFLAG_FCANCREATE = 0x2;
inline constexpr WORD TYPEFLAG_FHIDDEN = 0x10;
inline constexpr WORD TYPEFLAG_FDUAL = 0x40;
inline constexpr WORD TYPEFLAG_FNONEXTENSIBLE = 0x80;
inline constexpr WORD TYPEFLAG_FOLEAUTOMATION = 0x100;
inline constexpr WORD TYPEFLAG_FDISPATCHABLE = 0x1000;
inline constexpr WORD FUNCFLAG_FRESTRICTED = 0x1;
inline constexpr WORD FUNCFLAG_FHIDDEN = 0x40;
inline constexpr INT IMPLTYPEFLAG_FDEFAULT = 0x1;
inline constexpr USHORT PARAMFLAG_NONE = 0x0;
inline constexpr USHORT PARAMFLAG_FIN = 0x1;
inline constexpr USHORT PARAMFLAG_FOUT = 0x2;
inline constexpr USHORT PARAMFLAG_FLCID = 0x4;
inline constexpr USHORT PARAMFLAG_FRETVAL = 0x8;
inline constexpr USHORT PARAMFLAG_FOPT = 0x10;
inline constexpr WORD LIBFLAG_FHASDISKIMAGE = 0x8;

struct TYPEDESC {
    union {
        TYPEDESC* lptdesc;  // VT_PTR: the type pointed at
        void* lpadesc;
        HREFTYPE hreftype;  // VT_USERDEFINED: for ITypeInfo::GetRefTypeInfo
    };
    VARTYPE vt;
};
struct IDLDESC {
    ULONG_PTR dwReserved;
    USHORT wIDLFlags;
};
struct PARAMDESC {
    void* pparamdescex;
    USHORT wParamFlags;
};
struct ELEMDESC {
    TYPEDESC tdesc;
    union {
        IDLDESC idldesc;
        PARAMDESC paramdesc;
    };
};
struct TYPEATTR {
    GUID guid;
    LCID lcid;
    DWORD dwReserved;
    MEMBERID memidConstructor;
    MEMBERID memidDestructor;
    LPOLESTR lpstrSchema;
    ULONG cbSizeInstance;
    TYPEKIND typekind;
    WORD cFuncs;
    WORD cVars;
    WORD cImplTypes;
    WORD cbSizeVft;
    WORD cbAlignment;
    WORD wTypeFlags;
    WORD wMajorVerNum;
    WORD wMinorVerNum;
    TYPEDESC tdescAlias;
    IDLDESC idldescType;
};
struct FUNCDESC {
    MEMBERID memid;
    SCODE* lprgscode;
    ELEMDESC* lprgelemdescParam;
    FUNCKIND funckind;
    INVOKEKIND invkind;
    CALLCONV callconv;
    SHORT cParams;
    SHORT cParamsOpt;
    SHORT oVft;
    SHORT cScodes;
    ELEMDESC elemdescFunc;
    WORD wFuncFlags;
};
struct VARDESC {
    MEMBERID memid;
    LPOLESTR lpstrSchema;
    union {
        ULONG oInst;
        VARIANT* lpvarValue;  // VAR_CONST: the value
    };
    ELEMDESC elemdescVar;
    WORD wVarFlags;
    VARKIND varkind;
};
struct TLIBATTR {
    GUID guid;
    LCID lcid;
    SYSKIND syskind;
    WORD wMajorVerNum;
    WORD wMinorVerNum;
    WORD wLibFlags;
};

// The type information of one type: an enumeration (its values as
// VAR_CONST variables), a dual interface (seen as TKIND_DISPATCH: the
// inherited IUnknown and IDispatch members first, then its own, an
// [out, retval] argument shown as the function's type) or a co-class.
struct ITypeInfo : public IUnknown {
    virtual HRESULT GetTypeAttr(TYPEATTR** ppTypeAttr) = 0;
    virtual HRESULT GetTypeComp(ITypeComp** ppTComp) = 0;
    virtual HRESULT GetFuncDesc(UINT index, FUNCDESC** ppFuncDesc) = 0;
    virtual HRESULT GetVarDesc(UINT index, VARDESC** ppVarDesc) = 0;
    virtual HRESULT GetNames(MEMBERID memid, BSTR* rgBstrNames, UINT cMaxNames, UINT* pcNames) = 0;
    virtual HRESULT GetRefTypeOfImplType(UINT index, HREFTYPE* pRefType) = 0;
    virtual HRESULT GetImplTypeFlags(UINT index, INT* pImplTypeFlags) = 0;
    virtual HRESULT GetIDsOfNames(LPOLESTR* rgszNames, UINT cNames, MEMBERID* pMemId) = 0;
    virtual HRESULT Invoke(PVOID pvInstance, MEMBERID memid, WORD wFlags, DISPPARAMS* pDispParams,
                           VARIANT* pVarResult, EXCEPINFO* pExcepInfo, UINT* puArgErr) = 0;
    virtual HRESULT GetDocumentation(MEMBERID memid, BSTR* pBstrName, BSTR* pBstrDocString,
                                     DWORD* pdwHelpContext, BSTR* pBstrHelpFile) = 0;
    virtual HRESULT GetDllEntry(MEMBERID memid, INVOKEKIND invKind, BSTR* pBstrDllName, BSTR* pBstrName,
                                WORD* pwOrdinal) = 0;
    virtual HRESULT GetRefTypeInfo(HREFTYPE hRefType, ITypeInfo** ppTInfo) = 0;
    virtual HRESULT AddressOfMember(MEMBERID memid, INVOKEKIND invKind, PVOID* ppv) = 0;
    virtual HRESULT CreateInstance(IUnknown* pUnkOuter, REFIID riid, PVOID* ppvObj) = 0;
    virtual HRESULT GetMops(MEMBERID memid, BSTR* pBstrMops) = 0;
    virtual HRESULT GetContainingTypeLib(ITypeLib** ppTLib, UINT* pIndex) = 0;
    virtual void ReleaseTypeAttr(TYPEATTR* pTypeAttr) = 0;
    virtual void ReleaseFuncDesc(FUNCDESC* pFuncDesc) = 0;
    virtual void ReleaseVarDesc(VARDESC* pVarDesc) = 0;

protected:
    ~ITypeInfo() = default;
};

struct ITypeLib : public IUnknown {
    virtual UINT GetTypeInfoCount() = 0;
    virtual HRESULT GetTypeInfo(UINT index, ITypeInfo** ppTInfo) = 0;
    virtual HRESULT GetTypeInfoType(UINT index, TYPEKIND* pTKind) = 0;
    virtual HRESULT GetTypeInfoOfGuid(REFGUID guid, ITypeInfo** ppTinfo) = 0;
    virtual HRESULT GetLibAttr(TLIBATTR** ppTLibAttr) = 0;
    virtual HRESULT GetTypeComp(ITypeComp** ppTComp) = 0;
    // index -1: the library itself.
    virtual HRESULT GetDocumentation(INT index, BSTR* pBstrName, BSTR* pBstrDocString, DWORD* pdwHelpContext,
                                     BSTR* pBstrHelpFile) = 0;
    virtual HRESULT IsName(LPOLESTR szNameBuf, ULONG lHashVal, BOOL* pfName) = 0;
    virtual HRESULT FindName(LPOLESTR szNameBuf, ULONG lHashVal, ITypeInfo** ppTInfo, MEMBERID* rgMemId,
                             USHORT* pcFound) = 0;
    virtual void ReleaseTLibAttr(TLIBATTR* pTLibAttr) = 0;

protected:
    ~ITypeLib() = default;
};

// A type library is the TYPELIB resource of a module (by the module's path,
// optionally followed by "\<resource number>", default 1) or a file holding
// the library alone. A damaged library is TYPE_E_CANTLOADLIBRARY; loading
// does not register.
HRESULT LoadTypeLib(LPCOLESTR szFile, ITypeLib** pptlib) noexcept;
// Through HKCR\TypeLib\{libid}\<major>.<minor>\<lcid>\linux (or win32).
HRESULT LoadRegTypeLib(REFGUID rguid, WORD wVerMajor, WORD wVerMinor, LCID lcid, ITypeLib** pptlib) noexcept;
// Writes HKCR\TypeLib\{libid}\<major>.<minor> (name, "0\linux" = the path,
// FLAGS, HELPDIR) and, for each dual interface, HKCR\Interface\{iid} with
// its name, ProxyStubClsid32 = the automation marshaller and TypeLib.
HRESULT RegisterTypeLib(ITypeLib* ptlib, LPCOLESTR szFullPath, LPCOLESTR szHelpDir) noexcept;
// Removes the keys that RegisterTypeLib wrote for that version.
HRESULT UnRegisterTypeLib(REFGUID libID, WORD wVerMajor, WORD wVerMinor, LCID lcid, SYSKIND syskind) noexcept;

// GetIDsOfNames and Invoke answered from type information. The member
// name compares without case; the further names are its arguments.
HRESULT DispGetIDsOfNames(ITypeInfo* ptinfo, LPOLESTR* rgszNames, UINT cNames, DISPID* rgdispid) noexcept;
HRESULT DispInvoke(void* _this, ITypeInfo* ptinfo, DISPID dispidMember, WORD wFlags, DISPPARAMS* pparams,
                   VARIANT* pvarResult, EXCEPINFO* pexcepinfo, UINT* puArgErr) noexcept;

// --- Error info -------------------------------------------------------------
inline constexpr IID IID_IErrorInfo = {0x1CF2B120, 0x547D, 0x101B, {0x8E, 0x65, 0x08, 0x00, 0x2B, 0x2B, 0xD1, 0x19}};
inline constexpr IID IID_ICreateErrorInfo = {
    0x22F03340, 0x547D, 0x101B, {0x8E, 0x65, 0x08, 0x00, 0x2B, 0x2B, 0xD1, 0x19}};
inline constexpr IID IID_ISupportErrorInfo = {
    0xDF0B3D60, 0x548F, 0x101B, {0x8E, 0x65, 0x08, 0x00, 0x2B, 0x2B, 0xD1, 0x19}};

struct IErrorInfo : public IUnknown {
    virtual HRESULT GetGUID(GUID* pGUID) = 0;
    virtual HRESULT GetSource(BSTR* pBstrSource) = 0;
    virtual HRESULT GetDescription(BSTR* pBstrDescription) = 0;
    virtual HRESULT GetHelpFile(BSTR* pBstrHelpFile) = 0;
    virtual HRESULT GetHelpContext(DWORD* pdwHelpContext) = 0;

protected:
    ~IErrorInfo() = default;
};

struct ICreateErrorInfo : public IUnknown {
    virtual HRESULT SetGUID(REFGUID rguid) = 0;
    virtual HRESULT SetSource(LPOLESTR szSource) = 0;
    virtual HRESULT SetDescription(LPOLESTR szDescription) = 0;
    virtual HRESULT SetHelpFile(LPOLESTR szHelpFile) = 0;
    virtual HRESULT SetHelpContext(DWORD dwHelpContext) = 0;

protected:
    ~ICreateErrorInfo() = default;
};

struct ISupportErrorInfo : public IUnknown {
    virtual HRESULT InterfaceSupportsErrorInfo(REFIID riid) = 0;

protected:
    ~ISupportErrorInfo() = default;
};

// The thread's error info: SetErrorInfo keeps a reference (null clears);
// GetErrorInfo hands it over and clears it, S_FALSE with null when there is
// none. dwReserved must be 0.
HRESULT SetErrorInfo(ULONG dwReserved, IErrorInfo* perrinfo) noexcept;
HRESULT GetErrorInfo(ULONG dwReserved, IErrorInfo** pperrinfo) noexcept;
HRESULT CreateErrorInfo(ICreateErrorInfo** pperrinfo) noexcept;

// A type library from outside bytes: decoded, then every type and member
// walked through ITypeLib and ITypeInfo as a client listing them would.
#include <cstdint>

#include "type_library.h"

namespace {

using platform::com::Ptr;

void walk(ITypeInfo* info) {
    TYPEATTR* attr = nullptr;
    if (FAILED(info->GetTypeAttr(&attr))) return;
    for (UINT i = 0; i < attr->cFuncs; ++i) {
        FUNCDESC* function = nullptr;
        if (FAILED(info->GetFuncDesc(i, &function))) continue;
        BSTR names[8] = {};
        UINT count = 0;
        info->GetNames(function->memid, names, 8, &count);
        for (UINT n = 0; n < count; ++n) SysFreeString(names[n]);
        BSTR name = nullptr;
        BSTR help = nullptr;
        info->GetDocumentation(function->memid, &name, &help, nullptr, nullptr);
        SysFreeString(name);
        SysFreeString(help);
        info->ReleaseFuncDesc(function);
    }
    for (UINT i = 0; i < attr->cVars; ++i) {
        VARDESC* variable = nullptr;
        if (SUCCEEDED(info->GetVarDesc(i, &variable))) info->ReleaseVarDesc(variable);
    }
    info->ReleaseTypeAttr(attr);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    try {
        auto library = platform::com::makeTypeLibrary(platform::com::typelib::decode({data, size}));
        for (UINT i = 0; i < library->GetTypeInfoCount(); ++i) {
            Ptr<ITypeInfo> info;
            if (SUCCEEDED(library->GetTypeInfo(i, info.put()))) walk(info.get());
        }
    } catch (const platform::com::typelib::FormatError&) {
        // a clean refusal is the expected outcome; crashes, hangs and leaks are the bugs
    }
    return 0;
}

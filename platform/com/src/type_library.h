// ITypeLib and ITypeInfo over a library read from its binary form.
#pragma once

#include <memory>

#include "platform/com/ptr.h"
#include "typelib_model.h"

namespace platform::com {

using LibraryData = std::shared_ptr<const typelib::Library>;

Ptr<ITypeLib> makeTypeLibrary(typelib::Library library);
// The type information of type `index` of the library `owner` holds.
Ptr<ITypeInfo> makeTypeInfo(ITypeLib* owner, LibraryData data, std::size_t index);

// The dispatch view of a dual interface: the seven IUnknown and IDispatch
// members (member ids 0x60000000 ...), then the interface's own.
inline constexpr std::size_t kInheritedFunctions = 7;
struct InheritedFunction {
    MEMBERID memid;
    const char16_t* name;
};
extern const InheritedFunction kInherited[kInheritedFunctions];

// Calls the member `function` of the interface `entry` on `instance`.
HRESULT invokeFunction(const typelib::Library& library, const typelib::TypeEntry& entry, std::size_t function,
                       void* instance, WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO* excepInfo,
                       UINT* argErr);

}  // namespace platform::com

#include "ffi_call.h"

#include <ffi.h>

#include <cstdint>
#include <vector>

#include "platform/win_error.h"
#include "win32/oleauto.h"

namespace platform::com {

namespace {

// VARIANT as libffi sees it: four 16-bit words and a 16-byte union of two
// 64-bit words (its largest member, the record pair, gives its size).
ffi_type* variantType() {
    static ffi_type* elements[] = {&ffi_type_uint16, &ffi_type_uint16, &ffi_type_uint16, &ffi_type_uint16,
                                   &ffi_type_uint64, &ffi_type_uint64, nullptr};
    static ffi_type type = [] {
        ffi_type t{};
        // Given here, so that libffi never fills them in from several threads.
        t.size = sizeof(VARIANT);
        t.alignment = alignof(VARIANT);
        t.type = FFI_TYPE_STRUCT;
        t.elements = elements;
        return t;
    }();
    static_assert(sizeof(VARIANT) == 24, "VARIANT keeps the 64-bit Windows layout");
    return &type;
}

ffi_type* typeOf(ArgKind kind) {
    switch (kind) {
    case ArgKind::Byte: return &ffi_type_uint8;
    case ArgKind::Short: return &ffi_type_sint16;
    case ArgKind::Long: return &ffi_type_sint32;
    case ArgKind::ULong: return &ffi_type_uint32;
    case ArgKind::Double: return &ffi_type_double;
    case ArgKind::Pointer: return &ffi_type_pointer;
    case ArgKind::Variant: return variantType();
    }
    return &ffi_type_pointer;
}

}  // namespace

HRESULT callVtableSlot(void* instance, std::size_t slot, std::span<const ArgKind> kinds, std::span<void*> values) {
    std::vector<ffi_type*> types{&ffi_type_pointer};
    std::vector<void*> arguments{&instance};
    for (std::size_t i = 0; i < kinds.size(); ++i) {
        types.push_back(typeOf(kinds[i]));
        arguments.push_back(values[i]);
    }
    ffi_cif cif;
    if (ffi_prep_cif(&cif, FFI_DEFAULT_ABI, static_cast<unsigned>(types.size()), &ffi_type_sint32, types.data()) !=
        FFI_OK)
        throw WinError(E_FAIL, "ffi_prep_cif");
    void** vtable = *static_cast<void***>(instance);
    ffi_arg result = 0;  // libffi widens small integer results to a full register
    ffi_call(&cif, reinterpret_cast<void (*)()>(vtable[slot]), &result, arguments.data());
    return static_cast<HRESULT>(static_cast<std::int32_t>(result));
}

}  // namespace platform::com

// Where the HSM engine stand-in and the tests meet: values under
// HKCU\Software\Tesk\HsmEngineStandIn of the current PLATFORM_ROOT. A test
// sets how the stand-in answers; the stand-in records what it was asked.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "win32/types.h"

namespace hsm_engine_stand_in {

// REG_SZ: the text GetRootList gives; missing: a null BSTR.
inline constexpr const char16_t* kRootListValue = u"RootList";
// REG_DWORD: not zero makes QueryInterface refuse the engine interface.
inline constexpr const char16_t* kRefuseInterfaceValue = u"RefuseInterface";
// REG_SZ: one line per event ("created", "destroyed") or call
// ("Init(<url>, <device>, <port>)").
inline constexpr const char16_t* kCallsValue = u"Calls";
// A REG_DWORD value named after a call ("put_FirstFlag", "Init",
// "TestConnection", ...) is the HRESULT that call gives; missing: S_OK.

std::optional<DWORD> readDword(const char16_t* name);
void writeDword(const char16_t* name, DWORD value);
std::optional<std::u16string> readText(const char16_t* name);
void writeText(const char16_t* name, std::u16string_view text);

}  // namespace hsm_engine_stand_in

// IObjectSafety: how a control tells a script host that it is safe to be
// scripted and initialised by untrusted callers, and the component
// categories a registration script writes for the same purpose.
#pragma once

#include "win32/com.h"

inline constexpr IID IID_IObjectSafety = {0xCB5BDC81, 0x93C1, 0x11CF, {0x8F, 0x20, 0x00, 0x80, 0x5F, 0x2C, 0xD0, 0x64}};
inline constexpr GUID CATID_SafeForScripting = {
    0x7DD95801, 0x9882, 0x11CF, {0x9F, 0xA9, 0x00, 0xAA, 0x00, 0x6C, 0x42, 0xC4}};
inline constexpr GUID CATID_SafeForInitializing = {
    0x7DD95802, 0x9882, 0x11CF, {0x9F, 0xA9, 0x00, 0xAA, 0x00, 0x6C, 0x42, 0xC4}};

inline constexpr DWORD INTERFACESAFE_FOR_UNTRUSTED_CALLER = 0x00000001;
inline constexpr DWORD INTERFACESAFE_FOR_UNTRUSTED_DATA = 0x00000002;
inline constexpr DWORD INTERFACE_USES_DISPEX = 0x00000004;
inline constexpr DWORD INTERFACE_USES_SECURITY_MANAGER = 0x00000008;

struct IObjectSafety : public IUnknown {
    virtual HRESULT GetInterfaceSafetyOptions(REFIID riid, DWORD* pdwSupportedOptions, DWORD* pdwEnabledOptions) = 0;
    virtual HRESULT SetInterfaceSafetyOptions(REFIID riid, DWORD dwOptionSetMask, DWORD dwEnabledOptions) = 0;

protected:
    ~IObjectSafety() = default;
};

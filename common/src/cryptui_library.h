// cryptui_library.h: CryptUI, loaded by name for one dialog and freed with
// the object, so that nothing links against it and a system without it
// still runs.
#pragma once

#include "common/load_library.h"

class TCryptUiLibrary {
public:
    // The export, or null when CryptUI or the export is missing.
    template <class Fn>
    Fn Bind(const char* name) {
        return m_library.Load("CryptUI.dll") ? m_library.GetProc(name, Fn{}) : nullptr;
    }

private:
    TLoadLibrary m_library;
};

// TLoadLibrary: a module loaded by name at run time, freed by the
// destructor. Exports are bound lazily: callers keep each function pointer
// in a field and pass its current value to GetProc, so that every export is
// looked up once.
#pragma once

#include <type_traits>

#include "win32/modules.h"

class TLoadLibrary {
public:
    TLoadLibrary() = default;
    virtual ~TLoadLibrary();
    TLoadLibrary(const TLoadLibrary&) = delete;
    TLoadLibrary& operator=(const TLoadLibrary&) = delete;

    // Loads the module unless one is held (then the name is not looked at);
    // true when a module is held afterwards.
    bool Load(const char* name);
    bool Load(const char16_t* name);

    // bound when it is not null; else the export's address (null when it is
    // missing or no module is held).
    template <class Fn>
        requires std::is_pointer_v<Fn> && std::is_function_v<std::remove_pointer_t<Fn>>
    Fn GetProc(const char* name, Fn bound) const {
        if (bound) return bound;
        return reinterpret_cast<Fn>(findExport(name));
    }

    // The result of FreeLibrary, or 0 when no module was held.
    BOOL Free();

private:
    FARPROC findExport(const char* name) const;

    HMODULE m_module = nullptr;
};

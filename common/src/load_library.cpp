// load_library.cpp: run-time binding of a module and its exports.
#include "common/load_library.h"

TLoadLibrary::~TLoadLibrary() { Free(); }

bool TLoadLibrary::Load(const char* name) {
    if (!m_module && name) m_module = LoadLibraryA(name);
    return m_module != nullptr;
}

bool TLoadLibrary::Load(const char16_t* name) {
    if (!m_module && name) m_module = LoadLibraryW(name);
    return m_module != nullptr;
}

FARPROC TLoadLibrary::findExport(const char* name) const {
    if (!m_module || !name) return nullptr;
    return GetProcAddress(m_module, name);
}

BOOL TLoadLibrary::Free() {
    if (!m_module) return 0;
    const BOOL result = FreeLibrary(m_module);
    m_module = nullptr;
    return result;
}

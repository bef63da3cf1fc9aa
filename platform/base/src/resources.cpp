// FindResource, LoadResource, LockResource, SizeofResource, FreeResource
// over the table tesk_add_resources puts into a module. The data stays in
// the module's image: loading and locking only hand out its address.
#include "platform/boundary.h"
#include "resource_directory.h"
#include "win32/resources.h"

namespace res = platform::resources;

namespace {

HRSRC handleOf(const res::TableEntry& entry) { return reinterpret_cast<HRSRC>(const_cast<res::TableEntry*>(&entry)); }

}  // namespace

HRSRC FindResourceA(HMODULE hModule, LPCSTR lpName, LPCSTR lpType) noexcept {
    return FindResourceExA(hModule, lpType, lpName, 0);
}

HRSRC FindResourceW(HMODULE hModule, LPCWSTR lpName, LPCWSTR lpType) noexcept {
    return FindResourceExW(hModule, lpType, lpName, 0);
}

HRSRC FindResourceExA(HMODULE hModule, LPCSTR lpType, LPCSTR lpName, WORD wLanguage) noexcept {
    return platform::winValue<HRSRC>(nullptr, [&] {
        return handleOf(res::findEntry(hModule, res::keyOf(lpType), res::keyOf(lpName), wLanguage));
    });
}

HRSRC FindResourceExW(HMODULE hModule, LPCWSTR lpType, LPCWSTR lpName, WORD wLanguage) noexcept {
    return platform::winValue<HRSRC>(nullptr, [&] {
        return handleOf(res::findEntry(hModule, res::keyOf(lpType), res::keyOf(lpName), wLanguage));
    });
}

// The HRSRC itself tells which module's table it belongs to.
HGLOBAL LoadResource(HMODULE, HRSRC hResInfo) noexcept {
    return platform::winValue<HGLOBAL>(nullptr, [&] {
        return static_cast<HGLOBAL>(const_cast<BYTE*>(res::dataOf(res::entryOf(hResInfo)).data()));
    });
}

LPVOID LockResource(HGLOBAL hResData) noexcept { return hResData; }

DWORD SizeofResource(HMODULE, HRSRC hResInfo) noexcept {
    return platform::winValue<DWORD>(0, [&] { return res::entryOf(hResInfo).size; });
}

// Nothing to free: the data belongs to the module's image. FALSE, as Windows answers.
BOOL FreeResource(HGLOBAL) noexcept { return FALSE; }

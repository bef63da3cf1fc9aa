// A second process for the registry tests, on the PLATFORM_ROOT it inherits.
//   registry_worker crash        writes without end until it is killed
//   registry_worker mix ID COUNT writes and reads shared and own keys COUNT
//                                times; exit status 0 when every call succeeded
#include <cstdio>
#include <cstdlib>
#include <string>

#include "stress_blob.h"
#include "win32/registry.h"

using namespace registry_test;

namespace {

[[noreturn]] void fail(const char* what, LONG rc) {
    std::fprintf(stderr, "%s failed: %d\n", what, static_cast<int>(rc));
    std::exit(1);
}

void check(const char* what, LONG rc) {
    if (rc != ERROR_SUCCESS) fail(what, rc);
}

HKEY createKey(const std::u16string& path) {
    HKEY key = nullptr;
    check("RegCreateKeyExW", RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                             nullptr, &key, nullptr));
    return key;
}

void setDword(HKEY key, const char16_t* name, DWORD value) {
    check("RegSetValueExW", RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), 4));
}

DWORD dwordOf(HKEY key, const char16_t* name) {
    DWORD value = 0, size = sizeof value, type = 0;
    const LONG rc = RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
    if (rc == ERROR_FILE_NOT_FOUND) return 0;
    check("RegQueryValueExW", rc);
    if (type != REG_DWORD || size != 4) fail("DWORD shape", static_cast<LONG>(size));
    return value;
}

std::u16string digits(unsigned long n) {
    const auto s = std::to_string(n);
    return {s.begin(), s.end()};
}

// Continues the sequence of the previous run, so that the test can tell
// that committed values never go back.
[[noreturn]] void crash() {
    HKEY key = createKey(u"Software\\Crash");
    std::mt19937_64 random(std::random_device{}());
    for (DWORD i = dwordOf(key, u"Counter") + 1;; ++i) {
        const auto blob = makeBlob(i, random);
        check("RegSetValueExW blob", RegSetValueExW(key, u"Blob", 0, REG_BINARY, blob.data(), kBlobBytes));
        setDword(key, u"Counter", i);
        HKEY scratch = createKey(u"Software\\Crash\\Scratch\\" + digits(i % 8));
        RegCloseKey(scratch);
        if (i % 8 == 0) check("RegDeleteTreeW", RegDeleteTreeW(key, u"Scratch"));
    }
}

int mix(unsigned long id, unsigned long count) {
    const std::u16string me = u"w" + digits(id);
    for (unsigned long i = 0; i < count; ++i) {
        HKEY shared = createKey(u"Software\\Mix\\Shared");
        setDword(shared, (me + u"-" + digits(i)).c_str(), static_cast<DWORD>(i));
        const std::u16string last = me + u":" + digits(i);
        check("RegSetValueExW Last", RegSetValueExW(shared, u"Last", 0, REG_SZ, reinterpret_cast<const BYTE*>(last.c_str()),
                                                    static_cast<DWORD>((last.size() + 1) * 2)));
        char16_t seen[64] = {};
        DWORD size = sizeof seen - 2, type = 0;
        check("RegQueryValueExW Last",
              RegQueryValueExW(shared, u"Last", nullptr, &type, reinterpret_cast<BYTE*>(seen), &size));
        if (type != REG_SZ || seen[0] != u'w' || seen[size / 2 - 1] != u'\0') fail("Last shape", static_cast<LONG>(size));
        RegCloseKey(shared);

        HKEY own = createKey(u"Software\\Mix\\Own" + digits(id));
        setDword(own, u"Counter", static_cast<DWORD>(i));
        if (dwordOf(own, u"Counter") != i) fail("own counter read back", static_cast<LONG>(i));
        RegCloseKey(own);
        if (i % 50 == 0) {
            HKEY deep = createKey(u"Software\\Mix\\Tmp" + digits(id) + u"\\a\\b");
            RegCloseKey(deep);
            check("RegDeleteTreeW", RegDeleteTreeW(HKEY_CURRENT_USER, (u"Software\\Mix\\Tmp" + digits(id)).c_str()));
        }
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "crash") crash();
    if (mode == "mix" && argc == 4) return mix(std::strtoul(argv[2], nullptr, 10), std::strtoul(argv[3], nullptr, 10));
    std::fprintf(stderr, "usage: registry_worker crash | mix ID COUNT\n");
    return 2;
}

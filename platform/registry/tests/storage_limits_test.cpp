// The registry on storage that refuses writes. Each case runs in a child
// process that is root of a user namespace of its own with its own mounts,
// where a small tmpfs holds the platform root: no privilege is needed, and
// the mounts are seen by nobody else and end with the child.
// A read-only file system still gives every value; after a full disk reads
// go on, and writes work again as soon as they fit.
#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include "registry_fixture.h"

namespace registry_test {
namespace {

bool WriteProcFile(const char* file, const std::string& text) {
    std::ofstream out(file);
    out << text;
    out.close();
    return static_cast<bool>(out);
}

// The calling process becomes root of a user namespace with mounts of its own.
bool OwnNamespaces() {
    const auto uid = std::to_string(getuid()), gid = std::to_string(getgid());
    return unshare(CLONE_NEWUSER | CLONE_NEWNS) == 0 && WriteProcFile("/proc/self/setgroups", "deny") &&
           WriteProcFile("/proc/self/uid_map", "0 " + uid + " 1") &&
           WriteProcFile("/proc/self/gid_map", "0 " + gid + " 1") &&
           mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
}

// Runs work() in a child with its own mounts; its result, or -1 when the
// child could not have them (user namespaces disabled: the test fails).
int WithOwnMounts(const std::function<int()>& work) {
    const pid_t child = fork();
    if (child == 0) {
        if (!OwnNamespaces()) _exit(200);
        _exit(work());
    }
    int status = 0;
    if (child < 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status);
}

bool MountDisk(const std::filesystem::path& at, const char* size) {
    const std::string options = std::string("size=") + size;
    return mount("tmpfs", at.c_str(), "tmpfs", 0, options.c_str()) == 0;
}

// Writes up to `bytes` bytes into a new file, so that they take their room
// on the disk; the bytes written.
std::size_t Take(const std::filesystem::path& file, std::size_t bytes) {
    const int fd = open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (fd < 0) return 0;
    static const char block[4096] = {};
    std::size_t written = 0;
    while (written < bytes && write(fd, block, sizeof block) == static_cast<ssize_t>(sizeof block))
        written += sizeof block;
    close(fd);
    return written;
}

// Gives back the last `bytes` bytes of a file that Take made.
bool Free(const std::filesystem::path& file, std::uintmax_t bytes) {
    return truncate(file.c_str(), static_cast<off_t>(std::filesystem::file_size(file) - bytes)) == 0;
}

// Jazyk = "čeština" under HKCU\Software\Tesk\Nastavení, written by a child
// that ends as programs end, closing its database; false when it failed.
bool WrittenByAnEndedProgram() {
    const pid_t writer = fork();
    if (writer == 0) {
        Key key = create(HKEY_CURRENT_USER, u"Software\\Tesk\\Nastavení");
        const LONG rc = setString(key.get(), u"Jazyk", u"čeština");
        key.reset();
        std::exit(rc == ERROR_SUCCESS ? 0 : 1);
    }
    int status = 0;
    return waitpid(writer, &status, 0) == writer && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

class RegistryStorage : public Registry {};

TEST_F(RegistryStorage, AReadOnlyFileSystemStillGivesEveryValue) {
    const auto at = root.path();
    const int step = WithOwnMounts([&] {
        if (!MountDisk(at, "4m")) return 1;
        if (!WrittenByAnEndedProgram()) return 2;
        if (mount(nullptr, at.c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr) != 0) return 3;

        Key key;
        if (openKey(HKEY_CURRENT_USER, u"Software\\Tesk\\Nastavení", KEY_READ, key) != ERROR_SUCCESS) return 4;
        char16_t text[32] = {};
        DWORD size = sizeof text;
        if (RegQueryValueExW(key.get(), u"Jazyk", nullptr, nullptr, reinterpret_cast<BYTE*>(text), &size) !=
                ERROR_SUCCESS ||
            std::u16string(text) != u"čeština")
            return 5;
        // A write is refused as access to a read-only store, and changes nothing.
        Key writable;
        if (openKey(HKEY_CURRENT_USER, u"Software\\Tesk\\Nastavení", KEY_SET_VALUE, writable) == ERROR_SUCCESS &&
            setString(writable.get(), u"Jazyk", u"slovenčina") != ERROR_ACCESS_DENIED)
            return 6;
        size = sizeof text;
        if (RegQueryValueExW(key.get(), u"Jazyk", nullptr, nullptr, reinterpret_cast<BYTE*>(text), &size) !=
                ERROR_SUCCESS ||
            std::u16string(text) != u"čeština")
            return 7;
        return 0;
    });
    EXPECT_EQ(0, step) << "failed at step " << step;
}

TEST_F(RegistryStorage, AfterAFullDiskReadsGoOnAndWritesWorkAgainAsSoonAsTheyFit) {
    const auto at = root.path();
    const int step = WithOwnMounts([&] {
        if (!MountDisk(at, "16m")) return 1;
        Key key = create(HKEY_CURRENT_USER, u"Software\\Tesk\\Dokumenty");
        if (setDword(key.get(), u"První", 1) != ERROR_SUCCESS) return 2;
        // Room that is freed later, a little of it at a time.
        const auto spare = at / "spare";
        if (Take(spare, 10 << 20) != 10 << 20) return 3;
        // Values until the disk is full: the failure says so.
        const std::vector<BYTE> big(16 * 1024, 0x5A);
        LONG rc = ERROR_SUCCESS;
        for (int i = 0; i < 1000 && rc == ERROR_SUCCESS; ++i)
            rc = setBytes(key.get(), (u"Velká " + std::u16string(1, char16_t(u'A' + i % 26)) +
                                      std::u16string(1, char16_t(u'a' + i / 26)))
                                         .c_str(),
                          REG_BINARY, big);
        if (rc != ERROR_DISK_FULL) return 4;
        if (dwordOf(key.get(), u"První") != 1 || bytesOf(key.get(), u"Velká Aa") != big) return 5;
        // Room for a few small values, far less than the log holds: each
        // of them is written, not only the first.
        if (!Free(spare, 64 * 1024)) return 6;
        const std::u16string names[] = {u"Druhá", u"Třetí", u"Čtvrtá"};
        for (DWORD i = 0; i < 3; ++i)
            if (setDword(key.get(), names[i].c_str(), i + 2) != ERROR_SUCCESS) return 7 + static_cast<int>(i);
        for (DWORD i = 0; i < 3; ++i)
            if (dwordOf(key.get(), names[i].c_str()) != i + 2) return 10;
        if (dwordOf(key.get(), u"První") != 1) return 11;
        return 0;
    });
    EXPECT_EQ(0, step) << "failed at step " << step;
}

TEST_F(RegistryStorage, AProgramStartedOnAFullDiskReadsAndWritesOnceThereIsRoom) {
    const auto at = root.path();
    const int step = WithOwnMounts([&] {
        if (!MountDisk(at, "4m")) return 1;
        if (!WrittenByAnEndedProgram()) return 2;
        const auto filler = at / "filler";
        if (Take(filler, 8 << 20) == 0) return 3;

        // This process opens the registry on the full disk.
        Key key;
        if (openKey(HKEY_CURRENT_USER, u"Software\\Tesk\\Nastavení", KEY_READ | KEY_SET_VALUE, key) != ERROR_SUCCESS)
            return 4;
        if (stringOf(key.get(), u"Jazyk") != u"čeština") return 5;
        if (setString(key.get(), u"Jazyk", u"slovenčina") != ERROR_DISK_FULL) return 6;
        if (stringOf(key.get(), u"Jazyk") != u"čeština") return 7;
        if (!Free(filler, 64 * 1024)) return 8;
        if (setString(key.get(), u"Jazyk", u"slovenčina") != ERROR_SUCCESS) return 9;
        if (stringOf(key.get(), u"Jazyk") != u"slovenčina") return 10;
        return 0;
    });
    EXPECT_EQ(0, step) << "failed at step " << step;
}

}  // namespace
}  // namespace registry_test

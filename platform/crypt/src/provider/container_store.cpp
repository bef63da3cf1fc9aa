#include "container_store.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <optional>

#include "decoded_keys.h"
#include "platform/paths.h"
#include "platform/text.h"
#include "platform/unique_fd.h"
#include "platform/win_error.h"

namespace platform::crypt::provider {

namespace {

namespace fs = std::filesystem;

[[noreturn]] void fail(const std::string& call) {
    const int err = errno;
    throwErrno(win32CodeOfErrno(err), call, err);
}

// Serialises the changes of all processes to one folder's containers.
class FolderLock {
public:
    explicit FolderLock(const fs::path& folder) : m_fd(::open((folder / ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600)) {
        if (m_fd.get() < 0) fail("open lock");
        while (::flock(m_fd.get(), LOCK_EX) != 0)
            if (errno != EINTR) fail("flock");
    }

private:
    platform::files::UniqueFd m_fd;
};

std::optional<Bytes> readWhole(const fs::path& file) {
    platform::files::UniqueFd fd(::open(file.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.get() < 0) {
        if (errno == ENOENT) return std::nullopt;
        fail("open " + file.string());
    }
    Bytes data;
    BYTE chunk[16384];
    for (;;) {
        const ssize_t n = ::read(fd.get(), chunk, sizeof chunk);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) fail("read " + file.string());
        if (n == 0) return data;
        data.insert(data.end(), chunk, chunk + n);
    }
}

// A temporary file renamed over the old one: a crash leaves one or the other.
void writeAtomically(const fs::path& file, const Bytes& data) {
    static std::atomic<unsigned> counter{0};
    const fs::path temp = file.string() + ".tmp" + std::to_string(::getpid()) + "-" + std::to_string(counter++);
    {
        platform::files::UniqueFd fd(::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
        if (fd.get() < 0) fail("open " + temp.string());
        for (std::size_t done = 0; done < data.size();) {
            const ssize_t n = ::write(fd.get(), data.data() + done, data.size() - done);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) {
                const int err = errno;
                ::unlink(temp.c_str());
                throwErrno(win32CodeOfErrno(err), "write " + temp.string(), err);
            }
            done += static_cast<std::size_t>(n);
        }
        if (::fsync(fd.get()) != 0) fail("fsync " + temp.string());
    }
    if (::rename(temp.c_str(), file.c_str()) != 0) {
        const int err = errno;
        ::unlink(temp.c_str());
        throwErrno(win32CodeOfErrno(err), "rename " + temp.string(), err);
    }
}

std::string fileNameOf(std::u16string_view name) {
    const std::string key = text::toUtf8(text::toLower(name));
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int size = 0;
    if (EVP_Digest(key.data(), key.size(), digest, &size, EVP_sha1(), nullptr) != 1)
        throwOpenSsl(static_cast<DWORD>(NTE_FAIL), "EVP_Digest");
    std::string hex;
    for (unsigned i = 0; i < size; ++i) {
        char two[3];
        std::snprintf(two, sizeof two, "%02x", digest[i]);
        hex += two;
    }
    return hex + ".key";
}

class FileStore final : public ContainerStore {
public:
    FileStore(fs::path folder, fs::path file) : m_folder(std::move(folder)), m_file(std::move(file)) {}

    ContainerRecord load() const override {
        const auto data = readWhole(m_file);
        if (!data) throw WinError(NTE_BAD_KEYSET, "the key container was deleted");
        return parseContainer(*data);
    }

    void update(const std::function<void(ContainerRecord&)>& change) override {
        FolderLock lock(m_folder);
        ContainerRecord record = load();
        change(record);
        writeAtomically(m_file, serialize(record));
    }

private:
    fs::path m_folder;
    fs::path m_file;
};

class MemoryStore final : public ContainerStore {
public:
    ContainerRecord load() const override { return m_record; }
    void update(const std::function<void(ContainerRecord&)>& change) override { change(m_record); }

private:
    ContainerRecord m_record;
};

fs::path privateFolder(bool machine) {
    const fs::path folder = machine ? paths::machineKeyContainers() : paths::keyContainers();
    if (::chmod(folder.c_str(), S_IRWXU) != 0) fail("chmod " + folder.string());
    return folder;
}

}  // namespace

std::unique_ptr<ContainerStore> memoryStore() { return std::make_unique<MemoryStore>(); }

ContainerFolder::ContainerFolder(bool machine) : m_folder(privateFolder(machine)) {}

void ContainerFolder::create(std::u16string_view name) const {
    FolderLock lock(m_folder);
    const fs::path file = m_folder / fileNameOf(name);
    if (fs::exists(file)) throw WinError(NTE_EXISTS, "the key container exists");
    writeAtomically(file, serialize(ContainerRecord{std::u16string(name), {}}));
}

std::unique_ptr<ContainerStore> ContainerFolder::open(std::u16string_view name) const {
    auto store = std::make_unique<FileStore>(m_folder, m_folder / fileNameOf(name));
    store->load();
    return store;
}

void ContainerFolder::remove(std::u16string_view name) const {
    FolderLock lock(m_folder);
    const fs::path file = m_folder / fileNameOf(name);
    if (::unlink(file.c_str()) != 0) {
        if (errno == ENOENT) throw WinError(NTE_BAD_KEYSET, "no such key container");
        fail("unlink " + file.string());
    }
    forgetDecodedKeys();
}

std::vector<std::u16string> ContainerFolder::names() const {
    std::vector<std::u16string> names;
    for (const auto& entry : fs::directory_iterator(m_folder)) {
        if (entry.path().extension() != ".key") continue;
        try {
            if (const auto data = readWhole(entry.path())) names.push_back(parseContainer(*data).name);
        } catch (const WinError&) {
            // A damaged container is not listed; opening it reports the damage.
        }
    }
    std::sort(names.begin(), names.end(),
              [](const auto& a, const auto& b) { return text::compareNoCase(a, b) < 0; });
    return names;
}

}  // namespace platform::crypt::provider

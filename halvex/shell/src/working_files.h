// The pair of working files a request document is signed through: the
// document as "<name>.txt" and the signed container as "<name>.kyd" in the
// folder "$APPDATA/Tesk", under a random name of 15 to 29 digits and
// letters. Both files are made afresh and only for their owner, never
// opened over a file that is already there; both go when the pair goes.
#pragma once

#include <filesystem>
#include <functional>
#include <string>

namespace halvex {

// The program's folder "$APPDATA/Tesk" (its log, its working files), made
// when missing and kept for its owner alone: the signer opens a working
// document again by its name after the program has checked it, so nobody
// else may reach into the folder. A folder found open to others is closed
// to them; a link, or a folder of another user, is not used. Empty when
// APPDATA is not set or no such folder can be had.
std::filesystem::path TeskDataFolder();

class WorkingFiles {
public:
    // Creates both files empty in the program's folder under the first
    // name drawn that is free in both forms (a few draws at most);
    // Created() tells whether that worked.
    explicit WorkingFiles(const std::function<std::string()>& names = RandomName);
    ~WorkingFiles();
    WorkingFiles(const WorkingFiles&) = delete;
    WorkingFiles& operator=(const WorkingFiles&) = delete;

    bool Created() const noexcept { return !m_text.empty(); }
    const std::filesystem::path& Text() const noexcept { return m_text; }
    const std::filesystem::path& Container() const noexcept { return m_container; }

    // A random name: 15 to 29 characters, each a digit, "A"-"Y" or "a"-"y".
    static std::string RandomName();

private:
    std::filesystem::path m_text;
    std::filesystem::path m_container;
};

// Read and written by the user alone: the mode of every file that carries
// the user's secrets.
inline constexpr unsigned kOwnerOnly = 0600;

// Creates the file afresh, never over what is there nor through a link,
// with the mode given less the umask; false when it cannot.
bool CreateExclusive(const std::filesystem::path& file, unsigned mode);

// Writes the bytes into a file that exists and is empty; false, errno
// naming the cause, when not all of them were written.
bool WriteWholeFile(const std::filesystem::path& file, const std::string& bytes);
// Reads the whole file as bytes; false when it cannot be read or holds
// more than `limit` bytes.
bool ReadWholeFile(const std::filesystem::path& file, std::string& bytes, std::uintmax_t limit);

// The string resource of the message shown when a request's file cannot be read.
inline constexpr unsigned kStringReadFailed = 33170;

}  // namespace halvex

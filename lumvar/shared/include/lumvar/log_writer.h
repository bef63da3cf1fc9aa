// The process-wide log of the upgrade client and the upgrade process: an
// in-memory wide text, one line per message,
//   "DD.MM.YYYY HH:MM:SS LEVEL pid tid text"
// with LEVEL "ERROR", "INFO " or "DEBUG". A message is kept only when its
// level is not above the log level (0 keeps nothing). The lock that guards
// the text lives as long as the process, so writing, reading and clearing
// are safe at any time, before a client's Init and after its Close too.
#pragma once

#include <string>

namespace lumvar::log {

enum class Level : unsigned { Error = 1, Info = 2, Debug = 3 };

inline constexpr unsigned kMaxLevel = 3;
inline constexpr std::size_t kMaxMessage = 20000;

// kOk, or kLogStream when the text could not be kept (memory ran out
// while appending); clearing the log mends it.
int open();

// The upgrade process also appends every kept line, in UTF-8, to a file:
// kOk, or kLogStream when the file cannot be opened (lines then stay in
// memory only). closeFile() is harmless when no file is open.
int openFile(const std::u16string& path);
void closeFile();

// kOk, or kLogLevel for a level above 3 (the old level stays).
int setLevel(unsigned level);
unsigned level();

// Formats with the Windows rules (%s and %ls wide, %hs narrow), cut to
// kMaxMessage characters.
void write(Level level, const char16_t* format, ...);

// The whole text ("Interní chyba logu." when it could not be kept); with
// clear the log starts anew.
std::u16string text(bool clear);
void clear();

}  // namespace lumvar::log

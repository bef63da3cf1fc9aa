// The interface of liblumvar.so, the upgrade client. A caller loads a
// complete Config, calls LUMVAR_Init, checks for updates, downloads them,
// hands over to the upgrade process with LUMVAR_DoUpdate (and exits after
// kUpgradeStarted), and ends with LUMVAR_Close. Every function returns a
// result code of result_codes.h (0 is success), never throws, and logs its
// failures at ERROR.
//
// The functions that take an update list have a twin with the suffix _C that
// works on one list the library keeps itself, for callers that cannot pass
// class objects. Configuration, lists, callback and last server error expect
// one caller at a time; only the log may be used from several threads.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "lumvar/config.h"
#include "lumvar/exported.h"
#include "lumvar/update_list.h"
#include "win32/types.h"

// Progress of a reply being read. event 1: the file list (text empty);
// 2: one file fetched alone (text: its relative path); 3: the ZIP of all
// files (text empty). total is the length the server announced, done the
// bytes read so far. The result is ignored.
using LUMVAR_Callback = int (*)(int event, int total, int done, const WCHAR* text);

extern "C" {

// Copies a complete Config (isLoaded) into the library: 0, else 8031 and the
// stored one stays.
LUMVAR_EXPORTED std::int32_t LUMVAR_LoadConfiguration(lumvar::Config config);
// The same from plain values: a null text leaves its member unset, a Lang
// outside 0..2 too (both then give 8031); the version is the four parts.
LUMVAR_EXPORTED std::int32_t LUMVAR_LoadConfiguration_C(const char* clientApp, const char* distroId,
                                                        const char* address, const WCHAR* agentName,
                                                        const WCHAR* programPath, const WCHAR* dllPath,
                                                        const WCHAR* downloadPath, const char* relaxNgPath,
                                                        std::uint32_t version1, std::uint32_t version2,
                                                        std::uint32_t version3, std::uint32_t version4,
                                                        std::int32_t lang);

// Needs a stored configuration (8031). Switches a file log off (8009 when
// the in-memory log is in a failed state), takes the digest context (8001)
// and forgets the callback. May be called again, also after Close.
LUMVAR_EXPORTED std::int32_t LUMVAR_Init();
// Releases the digest context (8001 when that fails; the close goes on) and
// closes a file log. Harmless without Init and when repeated.
LUMVAR_EXPORTED std::int32_t LUMVAR_Close();

// 0..3 (0 logs nothing, 1 ERROR, 2 INFO, 3 DEBUG); above: 8010, level kept.
LUMVAR_EXPORTED std::int32_t LUMVAR_SetLogLevel(std::uint32_t level);
// 8023 for null.
LUMVAR_EXPORTED std::int32_t LUMVAR_SetCallback(LUMVAR_Callback callback);

// Fetches the server's list and version, merges the list with the installed
// files into *updateList, and sets *needToUpdate to 1 when the server's
// version is higher than the configured one (missing parts count as 0).
LUMVAR_EXPORTED std::int32_t LUMVAR_CheckUpdates(lumvar::UpdateList* updateList,
                                                 std::vector<std::uint32_t>* serverVersion,
                                                 std::int32_t* needToUpdate);
// Into the library's list; remoteVersion gets four parts (0 for those the
// server did not give, parts beyond four dropped).
LUMVAR_EXPORTED std::int32_t LUMVAR_CheckUpdates_C(std::uint32_t* remoteVersion, std::int32_t* needToUpdate);

// The list's new and replaced files, in one ZIP request, into the download area.
LUMVAR_EXPORTED std::int32_t LUMVAR_DownloadUpdates(const lumvar::UpdateList* updateList);
LUMVAR_EXPORTED std::int32_t LUMVAR_DownloadUpdates_C();
// One request per file: a ZIP of that file when zipEach is 1, else the plain file.
LUMVAR_EXPORTED std::int32_t LUMVAR_DownloadUpdatesSingly(const lumvar::UpdateList* updateList,
                                                          std::int32_t zipEach);
LUMVAR_EXPORTED std::int32_t LUMVAR_DownloadUpdatesSingly_C(std::int32_t zipEach);

// Backs up the program folder, writes the upgrade program this library
// carries and its conf into the download area's bin folder and starts it:
// 7999, after which the caller must exit; 8030 when the library carries no
// upgrade program.
LUMVAR_EXPORTED std::int32_t LUMVAR_DoUpdate();

// The whole log into *text; clear 1 empties the log. 8023 for null.
LUMVAR_EXPORTED std::int32_t LUMVAR_GetLog(std::u16string* text, std::int32_t clear);
// The same into a zero-ended buffer the caller frees with LUMVAR_FreeLogBuffer.
LUMVAR_EXPORTED std::int32_t LUMVAR_GetLog_C(WCHAR** text, std::int32_t clear);
LUMVAR_EXPORTED std::int32_t LUMVAR_FreeLogBuffer(WCHAR* buffer);
LUMVAR_EXPORTED std::int32_t LUMVAR_ClearLog();

// The last error reply, "code : message", empty when none came; the text
// stays valid until the text changes. 8023 for null.
LUMVAR_EXPORTED std::int32_t LUMVAR_GetLastServerError(const WCHAR** text);
LUMVAR_EXPORTED std::int32_t LUMVAR_ClearLastServerError();

}  // extern "C"

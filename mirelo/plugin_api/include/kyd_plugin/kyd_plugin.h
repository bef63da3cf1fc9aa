// The document plug-in protocol: what crosses the boundary between the
// signer (the host) and a document plug-in, a shared object that converts,
// checks and shows documents of the MIME types it declares.
//
// A plug-in exports three C entry points, looked up by exactly these names:
//   int KydPluginInit(const HostInfo* host, PluginInfo* info);
//       describes the plug-in into info (zero-filled by the host); non-zero
//       when the plug-in is ready.
//   int KydPluginCall(std::uint32_t command, CallArg a, CallArg b, CallArg c);
//       one command (see Command); the answer's meaning is the command's.
//   int KydPluginExit(std::uint32_t, std::uint32_t);
//       always given 0, 0 before the host unloads the library.
//
// Host and plug-ins share this header and one toolchain: byte vectors and
// report texts cross the boundary as the C++ objects below, read in place
// by the other side.
//
// The records are little-endian with 32-bit words; pointer fields are
// pointer-sized (8 bytes here), and the static_asserts pin every offset.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace kyd_plugin {

// The document bytes and a plug-in's output.
using ByteVector = std::vector<unsigned char>;
// The report text of a semantic check.
using ReportText = std::string;
// An argument of KydPluginCall: a pointer, or 0.
using CallArg = std::uintptr_t;

// The host's protocol version; a plug-in that needs a higher one is refused.
inline constexpr std::uint32_t kHostInterfaceVersion = 3;

inline constexpr std::size_t kNameSize = 64;
inline constexpr std::size_t kExtensionSize = 16;

// Filled by the host and given to KydPluginInit.
struct HostInfo {
    std::uint32_t interfaceVersion;
    char applicationName[kNameSize];  // NUL-terminated
};

// One document type a plug-in handles.
struct MimeEntry {
    char type[kNameSize];            // "text/plain", NUL-terminated
    char extension[kExtensionSize];  // without the dot
    std::uint32_t utf8;              // non-zero: text of this type is delivered in UTF-8
};

// Filled by the plug-in in KydPluginInit.
struct PluginInfo {
    // The protocol version the plug-in needs: low 16 bits major, high minor.
    std::uint32_t interfaceVersion;
    std::uint32_t pluginVersion;
    char name[kNameSize];
    char vendor[kNameSize];
    // The types the plug-in accepts, in the plug-in's own memory.
    const MimeEntry* types;
    std::uint32_t typeCount;
    // What the transformation (command 3) delivers.
    MimeEntry output;
};

static_assert(offsetof(HostInfo, interfaceVersion) == 0);
static_assert(offsetof(HostInfo, applicationName) == 4);
static_assert(sizeof(HostInfo) == 68);
static_assert(offsetof(MimeEntry, type) == 0);
static_assert(offsetof(MimeEntry, extension) == 64);
static_assert(offsetof(MimeEntry, utf8) == 80);
static_assert(sizeof(MimeEntry) == 84);
static_assert(sizeof(void*) == 8, "the record layout is the 64-bit one");
static_assert(offsetof(PluginInfo, interfaceVersion) == 0);
static_assert(offsetof(PluginInfo, pluginVersion) == 4);
static_assert(offsetof(PluginInfo, name) == 8);
static_assert(offsetof(PluginInfo, vendor) == 72);
static_assert(offsetof(PluginInfo, types) == 136);
static_assert(offsetof(PluginInfo, typeCount) == 144);
static_assert(offsetof(PluginInfo, output) == 148);
static_assert(sizeof(PluginInfo) == 232);

// The commands the host sends. Arguments are host-owned and valid for the
// call only; what a plug-in hands back stays the plug-in's.
enum Command : std::uint32_t {
    // Ends the current document: the output of kTransform is released.
    kClear = 2,
    // a: const ByteVector* document; b: const char* content type;
    // c: const ByteVector** receiving the output, valid until kClear or the
    // unloading. 0 = failure.
    kTransform = 3,
    // a: const ByteVector* decoded document; b: std::uint32_t* result
    // (CheckResult); c: const ReportText** preset to null, may receive a
    // report. 0 = failure.
    kSemanticCheck = 4,
    // a: const ByteVector* decoded document; b: const char* content type.
    // Non-zero = the document was shown.
    kPreview = 5,
    // a: const std::uint32_t* language (0 Czech, 1 Slovak, 2 English).
    kLanguage = 6,
    // a: const std::uint32_t* charset of signed text (0 UTF-8, 1 cp852,
    // 2 windows-1250, 3 ISO-8859-2).
    kCodePage = 7,
};

enum CheckResult : std::uint32_t {
    kValid = 0,
    kValidWithWarning = 1,
    kNotValid = 2,
};

using InitFunction = int (*)(const HostInfo*, PluginInfo*);
using CallFunction = int (*)(std::uint32_t, CallArg, CallArg, CallArg);
using ExitFunction = int (*)(std::uint32_t, std::uint32_t);

inline constexpr char kInitName[] = "KydPluginInit";
inline constexpr char kCallName[] = "KydPluginCall";
inline constexpr char kExitName[] = "KydPluginExit";

}  // namespace kyd_plugin

#define KYD_PLUGIN_EXPORT extern "C" __attribute__((visibility("default")))

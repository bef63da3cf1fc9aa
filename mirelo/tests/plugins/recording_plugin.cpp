// A document plug-in for the host's tests. Every call it receives is
// appended as one line to the file that KYD_TEST_PLUGIN_LOG names:
//   "<label> init <host version> <application name>"
//   "<label> call <command>[ <the word a points to, commands 6 and 7>]"
//   "<label> exit <x> <y>"
// The build makes variants of it through these definitions:
//   PLUGIN_LABEL     the label of its lines
//   PLUGIN_TYPE      the one MIME type it declares
//   PLUGIN_ANSWER    what every command answers
//   PLUGIN_VERSION   the protocol version it asks for
//   PLUGIN_NO_EXIT   KydPluginExit is named but not defined
//   PLUGIN_THROWS    KydPluginCall and KydPluginExit throw after recording
//   PLUGIN_DOCUMENTS the transformation hands back a copy of the document
//                    (or fails while KYD_TEST_PLUGIN_TRANSFORM is "fail"),
//                    and the check gives the verdict KYD_TEST_PLUGIN_VERDICT
//                    names (0 without it) with a report, or fails while
//                    KYD_TEST_PLUGIN_CHECK is "fail"; when
//                    KYD_TEST_PLUGIN_OUTPUT names a type at initialisation,
//                    its output is of that type (a converter)
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <string>

#include "kyd_plugin/kyd_plugin.h"

using namespace kyd_plugin;

namespace {

// Filled at initialisation: a type of 64 characters fills its field with no
// terminator.
MimeEntry g_types[1];

void Record(const std::string& line) {
    const char* file = std::getenv("KYD_TEST_PLUGIN_LOG");
    if (file == nullptr) return;
    if (FILE* out = std::fopen(file, "a")) {
        std::fprintf(out, "%s %s\n", PLUGIN_LABEL, line.c_str());
        std::fclose(out);
    }
}

#ifdef PLUGIN_DOCUMENTS
ByteVector g_output;
const ReportText g_report = "the document holds active content";

int Documents(std::uint32_t command, CallArg a, CallArg b, CallArg c) {
    const char* verdict = std::getenv("KYD_TEST_PLUGIN_VERDICT");
    const char* transform = std::getenv("KYD_TEST_PLUGIN_TRANSFORM");
    const char* check = std::getenv("KYD_TEST_PLUGIN_CHECK");
    switch (command) {
    case kTransform:
        if (transform && std::string(transform) == "fail") return 0;
        g_output = *reinterpret_cast<const ByteVector*>(a);
        *reinterpret_cast<const ByteVector**>(c) = &g_output;
        return 1;
    case kSemanticCheck:
        if (check && std::string(check) == "fail") return 0;
        *reinterpret_cast<std::uint32_t*>(b) = verdict ? static_cast<std::uint32_t>(std::atoi(verdict)) : 0;
        *reinterpret_cast<const ReportText**>(c) = &g_report;
        return 1;
    case kClear: g_output.clear(); return 1;
    default: return PLUGIN_ANSWER;
    }
}
#endif

void MaybeThrow() {
#ifdef PLUGIN_THROWS
    throw std::runtime_error("plug-in failure");
#endif
}

}  // namespace

KYD_PLUGIN_EXPORT int KydPluginInit(const HostInfo* host, PluginInfo* info) {
    Record("init " + std::to_string(host->interfaceVersion) + " " +
           std::string(host->applicationName, strnlen(host->applicationName, sizeof host->applicationName)));
    g_types[0] = MimeEntry{};
    std::memcpy(g_types[0].type, PLUGIN_TYPE, std::min(sizeof g_types[0].type, std::strlen(PLUGIN_TYPE)));
    std::strcpy(g_types[0].extension, "dat");
    info->interfaceVersion = PLUGIN_VERSION;
    std::strcpy(info->name, PLUGIN_LABEL);
    info->types = g_types;
    info->typeCount = 1;
    info->output = g_types[0];
#ifdef PLUGIN_DOCUMENTS
    if (const char* output = std::getenv("KYD_TEST_PLUGIN_OUTPUT")) {
        info->output.type[0] = '\0';
        std::strncat(info->output.type, output, sizeof info->output.type - 1);
    }
#endif
    return 1;
}

KYD_PLUGIN_EXPORT int KydPluginCall(std::uint32_t command, CallArg a, CallArg b, CallArg c) {
    std::string line = "call " + std::to_string(command);
    if ((command == kLanguage || command == kCodePage) && a != 0)
        line += " " + std::to_string(*reinterpret_cast<const std::uint32_t*>(a));
    Record(line);
    MaybeThrow();
#ifdef PLUGIN_DOCUMENTS
    return Documents(command, a, b, c);
#else
    (void)b;
    (void)c;
    return PLUGIN_ANSWER;
#endif
}

#ifndef PLUGIN_NO_EXIT
KYD_PLUGIN_EXPORT int KydPluginExit(std::uint32_t x, std::uint32_t y) {
    Record("exit " + std::to_string(x) + " " + std::to_string(y));
    MaybeThrow();
    return 1;
}
#else
// Referenced, never defined: the name is in the dynamic string table, yet
// the entry point does not resolve.
extern "C" __attribute__((weak)) int KydPluginExit(std::uint32_t, std::uint32_t);
extern "C" __attribute__((visibility("default"), used)) int (*const kyd_test_missing_exit)(std::uint32_t,
                                                                                         std::uint32_t) =
    &KydPluginExit;
#endif

// Version information as an update and the renewal program read it from
// the files: every program and shared object of the suite carries a
// FileVersion and a FileDescription, and the HSM engine stand-in, built at
// two versions under one file name, says through its object which file a
// registered class came from.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "hsm_engine_lib.h"
#include "platform/com/ptr.h"
#include "platform/text.h"
#include "testkit/hsm_engine.h"
#include "testkit/platform_root.h"
#include "win32/com.h"
#include "win32/version.h"

namespace {

namespace fs = std::filesystem;

struct VersionTexts {
    bool readable = false;
    std::u16string fileVersion;
    std::u16string description;
    DWORD fixedHigh = 0;
    DWORD fixedLow = 0;
};

std::u16string textAt(const std::vector<BYTE>& block, const std::u16string& path) {
    LPVOID value = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(block.data(), path.c_str(), &value, &length) || length == 0) return {};
    return std::u16string(static_cast<const char16_t*>(value), length - 1);
}

VersionTexts versionOf(const fs::path& file) {
    const std::u16string name = platform::text::fromUtf8(file.string());
    VersionTexts texts;
    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeW(name.c_str(), &handle);
    std::vector<BYTE> block(size);
    if (size == 0 || !GetFileVersionInfoW(name.c_str(), 0, size, block.data())) return texts;
    LPVOID value = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(block.data(), u"\\VarFileInfo\\Translation", &value, &length) || length < 4) return texts;
    const auto* translation = static_cast<const WORD*>(value);
    char table[9];
    std::snprintf(table, sizeof table, "%04x%04x", translation[0], translation[1]);
    const std::u16string prefix = u"\\StringFileInfo\\" + platform::text::fromUtf8(table) + u"\\";
    texts.fileVersion = textAt(block, prefix + u"FileVersion");
    texts.description = textAt(block, prefix + u"FileDescription");
    if (VerQueryValueW(block.data(), u"\\", &value, &length) && length >= sizeof(VS_FIXEDFILEINFO)) {
        texts.fixedHigh = static_cast<const VS_FIXEDFILEINFO*>(value)->dwFileVersionMS;
        texts.fixedLow = static_cast<const VS_FIXEDFILEINFO*>(value)->dwFileVersionLS;
    }
    texts.readable = true;
    return texts;
}

TEST(DeliverableVersions, EveryProgramAndLibraryOfTheSuiteCarriesItsVersionAndDescription) {
    for (const char* file : {TESK_HALVEX_PROGRAM, TESK_TORNIL_PROGRAM, TESK_LUMVAR_LIBRARY, TESK_PENTAK_MODULE,
                             TESK_MIRELO_MODULE, TESK_BRISEL_MODULE, TESK_OSTRIM_MODULE}) {
        SCOPED_TRACE(file);
        const VersionTexts texts = versionOf(file);
        ASSERT_TRUE(texts.readable);
        EXPECT_EQ(u"1.0.0.0", texts.fileVersion);
        EXPECT_EQ(0x00010000u, texts.fixedHigh);
        EXPECT_EQ(0u, texts.fixedLow);
        EXPECT_EQ(u"Tesk ", texts.description.substr(0, 5)) << platform::text::toUtf8(texts.description);
    }
    // The renewal program's updates come in the language its description
    // ends in.
    const std::u16string halvex = versionOf(TESK_HALVEX_PROGRAM).description;
    EXPECT_EQ(u"cz", halvex.substr(halvex.size() - 2));
}

TEST(DeliverableVersions, TheHsmEngineStandInTellsItsTwoVersionsApartByFileAndByObject) {
    const fs::path older = testkit::HsmEngineStandIn::moduleFile("1.0.0.0");
    const fs::path newer = testkit::HsmEngineStandIn::moduleFile("1.0.0.1");
    EXPECT_EQ(older.filename(), newer.filename());
    EXPECT_EQ(u"1.0.0.0", versionOf(older).fileVersion);
    EXPECT_EQ(u"1.0.0.1", versionOf(newer).fileVersion);
    EXPECT_EQ(1u, versionOf(newer).fixedLow);

    testkit::PlatformRoot root;
    ASSERT_EQ(S_OK, CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
    for (const fs::path& module : {older, newer}) {
        SCOPED_TRACE(module.string());
        // Registering the other file moves the class to it, as an update's
        // registration does.
        testkit::HsmEngineStandIn registered(module);
        platform::com::Ptr<IHsmEngine> engine;
        ASSERT_EQ(S_OK, CoCreateInstance(CLSID_HsmEngine, nullptr, CLSCTX_INPROC_SERVER, IID_IHsmEngine,
                                         reinterpret_cast<void**>(engine.put())));
        BSTR version = nullptr;
        ASSERT_EQ(S_OK, engine->get_ModuleVersion(&version));
        ASSERT_NE(nullptr, version);
        EXPECT_EQ(versionOf(module).fileVersion, std::u16string(version, SysStringLen(version)));
        SysFreeString(version);
    }
    CoUninitialize();
}

}  // namespace

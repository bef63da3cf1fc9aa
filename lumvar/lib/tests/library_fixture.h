// A fresh copy of liblumvar.so per test, testkit's update server, a
// prepared program folder and a complete Config naming them.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

#include "platform/paths.h"
#include "platform/text.h"

#include "loaded_lumvar.h"
#include "update_server_fixture.h"

namespace lumvar::testing {

inline std::u16string wide(const std::filesystem::path& path) { return platform::text::fromUtf8(path.string()); }

inline std::string utf8(const std::u16string& text) { return platform::text::toUtf8(text); }

// The sample tree, two files the installed program already has as served
// (one in the program folder, one in the system folder), a folder it has
// and a new one.
inline testkit::UpdateTree libraryTree() {
    testkit::UpdateTree tree = sampleTree();
    tree.folders.push_back({testkit::UpdateLocation::Program, "složka", false});
    tree.folders.push_back({testkit::UpdateLocation::Program, "nová", false});
    tree.files.push_back({testkit::UpdateLocation::Program, "stejný.txt", "as served", false});
    tree.files.push_back({testkit::UpdateLocation::System, "stejná.dll", "as served too", false});
    return tree;
}

class LibraryTest : public UpdateServerTest {
protected:
    LibraryTest() : UpdateServerTest(libraryTree()) {}

    void SetUp() override {
        UpdateServerTest::SetUp();
        m_root.write("program/složka/čtení.txt", "old text");
        m_root.write("program/gone.txt", "removed by the update");
        m_root.write("program/stejný.txt", "as served");
        std::filesystem::create_directories(program() / "stará");
        testkit::writeFile(platform::paths::systemFolder() / "stejná.dll", "as served too");
        // The user's own file in the folder the server marks as not to be
        // touched.
        m_root.write("program/conf/moje.ini", "the user's");
        m_config.setProgramPath(wide(program()));
        m_config.setDllPath(wide(program()));
        m_config.setDownloadPath(wide(area()));
        m_config.setVersion({1, 0});
        m_config.setLang(Slovak);
        ASSERT_TRUE(m_config.isLoaded());
        m_lumvar = std::make_unique<LoadedLumvar>(LUMVAR_MODULE, m_root.path() / "module");
    }

    std::filesystem::path program() const { return m_root.path() / "program"; }
    std::filesystem::path area() const { return m_root.path() / "area"; }

    std::unique_ptr<LoadedLumvar> m_lumvar;
};

}  // namespace lumvar::testing

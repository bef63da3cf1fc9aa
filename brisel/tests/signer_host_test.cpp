// The plug-in as the signer's plug-in host finds, loads and calls it.
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "platform/paths.h"
#include "plugin_manager.h"
#include "signer_kyd.h"
#include "testkit/platform_root.h"

namespace {

namespace fs = std::filesystem;

TEST(BriselInTheSigner, ConvertsPlainTextInTheCharsetTheSignerSets) {
    testkit::PlatformRoot root;
    const fs::path folder = root.path() / "plugins";
    fs::create_directories(folder);
    fs::copy_file(TESK_BRISEL_MODULE, folder / fs::path(TESK_BRISEL_MODULE).filename());
    {
        TSignerKyd signer;
        ASSERT_TRUE(signer.SetSignCharset(2));  // windows-1250
        ASSERT_TRUE(signer.LoadAllPlugins(platform::paths::toAnsi(folder), "Tesk*PluginKyd.so"));

        auto& plugins = PluginManager::Instance();
        DWORD id = 99;
        ASSERT_TRUE(plugins.FindForType("Text/Plain", id));
        const kyd_plugin::ByteVector document{0x8A, 0xED, 'p'};  // "Šíp"
        const kyd_plugin::ByteVector* output = nullptr;
        EXPECT_EQ(plugins.CallOne(id, kyd_plugin::kTransform, reinterpret_cast<kyd_plugin::CallArg>(&document),
                                  reinterpret_cast<kyd_plugin::CallArg>("text/plain"),
                                  reinterpret_cast<kyd_plugin::CallArg>(&output)),
                  1);
        ASSERT_NE(output, nullptr);
        EXPECT_EQ(std::string(output->begin(), output->end()), "\xEF\xBB\xBF\xC5\xA0\xC3\xADp");
    }
    PluginManager::Destroy();
}

}  // namespace

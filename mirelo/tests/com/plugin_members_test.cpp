// The object's plug-in members: a folder's plug-ins are loaded by the
// object inside the server module, hear the object's language changes, and
// are unloaded on request; the sign charset the user chooses reaches them,
// a cancelled choice changes nothing.
#include <filesystem>
#include <string>

#include "mirelo_client.h"
#include "testkit/scoped_env.h"

namespace {

namespace fs = std::filesystem;

class MireloPlugins : public mirelo_test::MireloClient {
protected:
    void SetUp() override {
        MireloClient::SetUp();
        fs::create_directories(folder);
        fs::copy_file(fs::path(MIRELO_TEST_PLUGIN_DIR) / "TeskTextPluginKyd.so", folder / "TeskTextPluginKyd.so");
    }
    HRESULT load(const std::string& path, const std::u16string& mask) {
        const std::u16string wide = platform::text::fromUtf8(path);
        BSTR folderText = SysAllocString(wide.c_str());
        BSTR maskText = mask.empty() ? nullptr : SysAllocString(mask.c_str());
        const HRESULT hr = object->LoadAllPlugins(folderText, maskText);
        SysFreeString(folderText);
        SysFreeString(maskText);
        return hr;
    }
    std::string takeCalls() {
        if (!fs::exists(calls)) return {};
        std::string text = testkit::readFile(calls);
        fs::remove(calls);
        return text;
    }

    fs::path folder = root.path() / "plugins";
    fs::path calls = root.path() / "calls.log";
    ScopedEnv log{"KYD_TEST_PLUGIN_LOG", calls.string()};
};

TEST_F(MireloPlugins, LoadedPluginsHearTheLanguageUntilUnloaded) {
    EXPECT_TRUE(FAILED(load(folder.string(), u"")));
    LONG number = 0;
    ASSERT_EQ(S_OK, object->get_LastErrorNumber(&number));
    EXPECT_EQ(30, number);

    ASSERT_EQ(S_OK, load(folder.string(), u"Tesk*PluginKyd.so"));
    EXPECT_EQ("Text init 3 Mirelo\nText call 6 0\nText call 7 0\n", takeCalls());
    ASSERT_EQ(S_OK, object->put_CfgLanguageNumber(sgLangEN));
    EXPECT_EQ("Text call 6 2\n", takeCalls());
    ASSERT_EQ(S_OK, object->UnloadAllPlugins());
    EXPECT_EQ("Text exit 0 0\n", takeCalls());
    ASSERT_EQ(S_OK, object->put_CfgLanguageNumber(sgLangSK));
    EXPECT_EQ("", takeCalls());
}

TEST_F(MireloPlugins, TheChosenSignCharsetIsHeardByPluginsAndCancelChangesNothing) {
    const auto script = root.write(
        "answers.txt",
        "Dialog press:2 Dialog 202: Character set of the signing document | 1 default \"OK\" | 2 button \"Storno\" "
        "| 255 static \"Select the character set used by signing document.\" | 256 dropdown \"\" [\"UTF-8\", "
        "\"OEM Latin-2 (DOS 852)\", \"ANSI Central European languages (Windows 1250)\", "
        "\"ISO 8859-2 Central European languages\"] sel 1\n"
        "Dialog select:256:3 sel 1\n"
        "Dialog press:1 sel 3\n");
    const ScopedEnv ui{"PLATFORM_UI", "script:" + script.string()};
    ASSERT_EQ(S_OK, load(folder.string(), u"Tesk*PluginKyd.so"));
    ASSERT_EQ(S_OK, object->put_CfgLanguageNumber(sgLangEN));
    takeCalls();
    ASSERT_EQ(S_OK, object->put_CfgSignCharset(sgCharsetCP852));
    EXPECT_EQ("Text call 7 1\n", takeCalls()) << "the charset set by number";

    EXPECT_EQ(static_cast<HRESULT>(0x800704C7), object->SelectSignCharset());
    LONG number = 0;
    ASSERT_EQ(S_OK, object->get_LastErrorNumber(&number));
    EXPECT_EQ(12, number);
    sgCharsets charset{};
    ASSERT_EQ(S_OK, object->get_CfgSignCharset(&charset));
    EXPECT_EQ(sgCharsetCP852, charset);
    EXPECT_EQ("", takeCalls());

    EXPECT_EQ(S_OK, object->SelectSignCharset());
    ASSERT_EQ(S_OK, object->get_CfgSignCharset(&charset));
    EXPECT_EQ(sgCharsetISO8859_2, charset);
    EXPECT_EQ("Text call 7 3\n", takeCalls());
}

}  // namespace

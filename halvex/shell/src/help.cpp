#include "help.h"

#include <array>
#include <filesystem>
#include <string_view>
#include <utility>

#include "halvex/files_and_paths.h"
#include "halvex/log.h"
#include "halvex/resource_strings.h"
#include "halvex/text_utils.h"
#include "platform/text.h"
#include "win32/shell.h"

namespace halvex {
namespace {

namespace fs = std::filesystem;

constexpr UINT kHelpLanguage = 33204;

constexpr std::array<std::pair<std::u16string_view, int>, 20> kTopics = {{
    {u"REVOKE_PASSWD", 4004},       {u"CSP_LIST", 4005},           {u"CHANGE_USAGE", 4006},
    {u"KEY_NONREP", 4007},          {u"KEY_DIGSIG", 4008},         {u"KEY_KEYENC", 4009},
    {u"KEY_DATAENC", 4010},         {u"KEY_KEYAGR", 4011},         {u"/appendix.htm", 4012},
    {u"/data_renew.htm", 4013},     {u"/home.htm", 4014},          {u"/selcert_renew.htm", 4015},
    {u"/selrequest.htm", 4016},     {u"/sendcert_review.htm", 4017}, {u"/summary_renew.htm", 4018},
    {u"/index.htm", 4019},          {u"KEY_USAGE", 4020},          {u"GOVSK_CERT", 4021},
    {u"KEY_EXPORT", 4022},          {u"KEY_STRONGPROT", 4023},
}};

// The help's pages stand in a folder named as the help file without its
// ".chm" ("Halvex_cz"): the one in the current directory when there is
// one, else the one in the program folder.
fs::path HelpFolder() {
    const std::u16string language = ChangeCase(LoadResString(kHelpLanguage), false);
    const fs::path name = fs::path(platform::text::toUtf8(u"Halvex_" + language + u".chm")).stem();
    std::error_code error;
    const fs::path inCurrent = fs::current_path(error) / name;
    if (!error && fs::is_directory(inCurrent, error)) return inCurrent;
    return fs::path(platform::text::toUtf8(GetProgramFolder())) / name;
}

}  // namespace

int HelpTopic(const std::u16string& key) {
    for (const auto& [name, topic] : kTopics) {
        if (name == key) return topic;
    }
    return 0;
}

std::u16string HelpPage(int topic) {
    const fs::path folder = HelpFolder();
    std::error_code error;
    const fs::path page = folder / (std::to_string(topic) + ".htm");
    if (topic != 0 && fs::is_regular_file(page, error)) return platform::text::fromUtf8(page.string());
    const fs::path fallback = folder / "index.htm";
    return fs::is_regular_file(fallback, error) ? platform::text::fromUtf8(fallback.string()) : std::u16string();
}

bool AppHelp(int topic) {
    TLogFile::GetInstance().PrintIfOn(u"AppHelp(): idx:%d", topic);
    const std::u16string page = HelpPage(topic);
    if (page.empty()) {
        TLogFile::GetInstance().Print(u"AppHelp(): the help is not installed");
        return false;
    }
    const auto opened = reinterpret_cast<INT_PTR>(ShellExecuteW(nullptr, u"open", page.c_str(), nullptr, nullptr, 1));
    return opened > 32;
}

}  // namespace halvex

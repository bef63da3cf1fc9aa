#include "help.h"

#include <array>
#include <filesystem>
#include <string_view>
#include <utility>

#include "halvex/files_and_paths.h"
#include "halvex/log.h"
#include "halvex/resource_strings.h"
#include "halvex/text_utils.h"
#include "platform/paths.h"
#include "platform/text.h"
#include "win32/htmlhelp.h"
#include "win32/modules.h"

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

// The viewer's entry point, looked for once.
HtmlHelpWFunction Viewer() {
    static const HtmlHelpWFunction viewer = [] {
        const HMODULE module = LoadLibraryW(u"hhctrl.ocx");
        const auto entry = module ? reinterpret_cast<HtmlHelpWFunction>(GetProcAddress(module, "HtmlHelpW")) : nullptr;
        if (module && !entry) FreeLibrary(module);
        if (!entry) TLogFile::GetInstance().Print(u"AppHelp(): no help viewer (hhctrl.ocx)");
        return entry;
    }();
    return viewer;
}

}  // namespace

int HelpTopic(const std::u16string& key) {
    for (const auto& [name, topic] : kTopics) {
        if (name == key) return topic;
    }
    return 0;
}

// The help's folder is looked for by its own name: the help file itself
// is that folder, and "Halvex" names no help.
std::u16string HelpFile() {
    const std::u16string file = u"Halvex_" + ChangeCase(LoadResString(kHelpLanguage), false) + u".chm";
    const fs::path name = platform::paths::fromWindows(file);
    const fs::path folder = name.stem();
    std::error_code error;
    const fs::path current = fs::current_path(error);
    const fs::path base = !error && fs::is_directory(current / folder, error)
                              ? current
                              : platform::paths::fromWindows(GetProgramFolder());
    return platform::paths::toWide(base / name);
}

bool AppHelp(HWND mainWindow, int topic) {
    const std::u16string file = HelpFile();
    TLogFile::GetInstance().PrintIfOn(u"AppHelp(): idx:%d", topic);
    const HtmlHelpWFunction viewer = Viewer();
    if (!viewer) return false;
    if (viewer(mainWindow, file.c_str(), topic == 0 ? HH_DISPLAY_TOPIC : HH_HELP_CONTEXT,
               static_cast<DWORD_PTR>(topic)))
        return true;
    TLogFile::GetInstance().Print(u"AppHelp(): the help viewer did not show %s", file.c_str());
    return false;
}

}  // namespace halvex

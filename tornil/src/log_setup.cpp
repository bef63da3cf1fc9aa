#include "log_setup.h"

#include <fstream>
#include <string>

#include "lumvar/log_writer.h"
#include "lumvar/result_codes.h"
#include "platform/paths.h"
#include "win32/error_codes.h"
#include "win32/shell.h"

namespace tornil {

void SetUpLog() {
    lumvar::log::open();
    lumvar::log::setLevel(0);
    WCHAR common[MAX_PATH] = {};
    if (SHGetFolderPathW(nullptr, CSIDL_COMMON_APPDATA | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT, common) != S_OK)
        return;
    const std::u16string folder = std::u16string(common) + u"\\Tesk Upgrade\\";
    std::ifstream marker(platform::paths::fromWindows(folder + u"log.enable"));
    int enabled = 0;
    if (!(marker >> enabled) || enabled != 1) return;
    if (lumvar::log::openFile(folder + u"lumvar.log") == lumvar::kOk) lumvar::log::setLevel(lumvar::log::kMaxLevel);
}

}  // namespace tornil

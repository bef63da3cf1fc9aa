// The module search: the named folder, else the executable's folder, the
// folders of PLATFORM_MODULE_PATH and the system folder under the platform
// root. In each folder the exact spelling wins over a match without regard
// to case.
#include "module_paths.h"

#include <algorithm>
#include <cstdlib>

#include "platform/modules.h"
#include "platform/paths.h"
#include "platform/text.h"

namespace platform::modules {

namespace {

namespace fs = std::filesystem;

std::string lowerCase(std::string_view s) { return text::toUtf8(text::toLower(text::fromUtf8(s))); }

bool isFile(const fs::path& p) {
    std::error_code ec;
    return fs::is_regular_file(p, ec);
}

fs::path findIn(const fs::path& folder, const std::vector<std::string>& names) {
    for (const auto& name : names)
        if (isFile(folder / name)) return fs::absolute(folder / name);
    std::vector<std::string> entries;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
        if (isFile(it->path())) entries.push_back(it->path().filename().string());
    std::sort(entries.begin(), entries.end());
    for (const auto& name : names)
        for (const auto& entry : entries)
            if (sameNameNoCase(entry, name)) return fs::absolute(folder / entry);
    return {};
}

std::vector<fs::path> searchFolders() {
    std::vector<fs::path> folders{fileOf(nullptr).parent_path()};
    if (const char* list = std::getenv("PLATFORM_MODULE_PATH")) {
        std::string_view rest(list);
        while (!rest.empty()) {
            const auto end = std::min(rest.find(':'), rest.size());
            if (end > 0) folders.emplace_back(rest.substr(0, end));
            rest.remove_prefix(std::min(end + 1, rest.size()));
        }
    }
    try {
        folders.push_back(paths::systemFolder());
    } catch (const std::exception&) {
        // Without a usable platform root there is no system folder to look in;
        // the other folders and the loader's own search still apply.
    }
    return folders;
}

}  // namespace

std::vector<std::string> fileNamesFor(const fs::path& moduleName) {
    const auto file = moduleName.filename();
    const std::string stem = file.stem().string();
    const std::string extension = file.extension().string();
    // A control (".ocx") is a library like any other.
    const bool dll = extension.empty() || sameNameNoCase(extension, ".dll") || sameNameNoCase(extension, ".ocx");
    std::vector<std::string> forms;
    if (dll)
        forms = {"lib" + stem + ".so", stem + ".so"};
    else if (sameNameNoCase(extension, ".exe"))
        forms = {stem};
    else
        forms = {file.string()};
    std::vector<std::string> names;
    for (const auto& form : forms)
        for (auto name : {lowerCase(form), form})
            if (std::find(names.begin(), names.end(), name) == names.end()) names.push_back(std::move(name));
    return names;
}

bool sameNameNoCase(std::string_view a, std::string_view b) {
    return text::equalsNoCase(text::fromUtf8(a), text::fromUtf8(b));
}

fs::path resolvePath(const fs::path& moduleName) {
    if (moduleName.filename().empty()) return {};
    const auto names = fileNamesFor(moduleName);
    if (moduleName.has_parent_path()) return findIn(moduleName.parent_path(), names);
    for (const auto& folder : searchFolders())
        if (auto found = findIn(folder, names); !found.empty()) return found;
    return {};
}

fs::path resolve(std::u16string_view windowsName) { return resolvePath(paths::fromWindows(windowsName)); }

}  // namespace platform::modules

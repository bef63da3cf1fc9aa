#include "databases.h"

#include <map>
#include <mutex>

#include "platform/paths.h"
#include "schema.h"

namespace platform::registry {

std::shared_ptr<Database> currentDatabase() {
    static std::mutex mutex;
    static std::map<std::filesystem::path, std::shared_ptr<Database>> open;

    const auto file = paths::registryDatabase();
    std::lock_guard lock(mutex);
    if (auto it = open.find(file); it != open.end()) return it->second;
    // Connections to former roots that no handle holds any more are closed,
    // so a process that moves through many roots keeps few files open.
    std::erase_if(open, [](const auto& entry) { return entry.second.use_count() == 1; });
    auto db = std::make_shared<Database>(file);
    ensureSchema(*db);
    open.emplace(file, db);
    return db;
}

}  // namespace platform::registry

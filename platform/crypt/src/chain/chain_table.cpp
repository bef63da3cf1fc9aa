#include "chain/chain_table.h"

#include <map>
#include <mutex>

namespace platform::crypt::chain {

namespace {

struct Held {
    std::unique_ptr<ChainRecord> record;
    DWORD references = 1;
};

struct Table {
    std::mutex mutex;
    std::map<PCCERT_CHAIN_CONTEXT, Held> chains;
};

// Never destroyed: chains a program still holds at exit keep their
// contexts, whatever order the other statics of the layer end in.
Table& table() {
    static Table* const t = new Table;
    return *t;
}

}  // namespace

PCCERT_CHAIN_CONTEXT publish(std::unique_ptr<ChainRecord> record) {
    Table& t = table();
    const PCCERT_CHAIN_CONTEXT chain = record->context();
    const std::lock_guard lock(t.mutex);
    t.chains.emplace(chain, Held{std::move(record)});
    return chain;
}

PCCERT_CHAIN_CONTEXT addChainReference(PCCERT_CHAIN_CONTEXT chain) {
    Table& t = table();
    const std::lock_guard lock(t.mutex);
    const auto it = t.chains.find(chain);
    if (it == t.chains.end()) return nullptr;
    ++it->second.references;
    return chain;
}

void dropChainReference(PCCERT_CHAIN_CONTEXT chain) {
    Table& t = table();
    std::unique_ptr<ChainRecord> last;  // freed after the lock: it frees contexts
    {
        const std::lock_guard lock(t.mutex);
        const auto it = t.chains.find(chain);
        if (it == t.chains.end() || --it->second.references > 0) return;
        last = std::move(it->second.record);
        t.chains.erase(it);
    }
}

bool isLiveChain(PCCERT_CHAIN_CONTEXT chain) {
    Table& t = table();
    const std::lock_guard lock(t.mutex);
    return t.chains.count(chain) != 0;
}

}  // namespace platform::crypt::chain

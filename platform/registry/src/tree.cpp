// The SQL behind Tree. Names are kept as given and, folded, under a unique
// index per parent; subtrees are removed through a recursive query, so the
// depth of a tree is bounded by nothing but the disk.
#include "tree.h"

#include "enum_positions.h"
#include "platform/clock.h"

namespace platform::registry {

namespace {
constexpr const char* kSubtree =
    "WITH RECURSIVE sub(id) AS (SELECT ?1 UNION ALL SELECT k.id FROM keys k JOIN sub ON k.parent = sub.id) ";

// The key's own subkeys, then the shadowed key's whose names it lacks.
constexpr const char* kMergedSubkeys =
    "SELECT name, written, side, id FROM ("
    " SELECT name, written, 0 AS side, id FROM keys WHERE parent = ?1"
    " UNION ALL"
    " SELECT m.name, m.written, 1, m.id FROM keys m WHERE m.parent = ?2"
    "  AND NOT EXISTS (SELECT 1 FROM keys u WHERE u.parent = ?1 AND u.folded = m.folded))"
    " ORDER BY side, id";

std::int64_t now() { return static_cast<std::int64_t>(clock::nowFileTime()); }

Value valueOf(const Statement& row) {
    return {row.text(0), static_cast<DWORD>(row.integer(1)), row.bytes(2)};
}

struct PlacedSubkey {
    Subkey subkey;
    ListPosition at;
};

// A row of name, written and id.
PlacedSubkey placedOf(const Statement& row, int side) {
    return {{row.text(0), static_cast<ULONGLONG>(row.integer(1))}, {side, row.integer(2)}};
}

// The subkey that follows the position in the merged order: the key's own
// by id, then the shadowed key's whose names it lacks.
std::optional<PlacedSubkey> subkeyAfter(Database& db, KeyId key, KeyId shadowed, ListPosition after) {
    if (after.side == 0) {
        auto own = db.prepare("SELECT name, written, id FROM keys WHERE parent = ?1 AND id > ?2 ORDER BY id LIMIT 1");
        own.bind(1, key).bind(2, after.id);
        if (own.step()) return placedOf(own, 0);
        after = {1, 0};
    }
    if (shadowed == kNoKey) return std::nullopt;
    auto other = db.prepare(
        "SELECT m.name, m.written, m.id FROM keys m WHERE m.parent = ?1 AND m.id > ?2"
        " AND NOT EXISTS (SELECT 1 FROM keys u WHERE u.parent = ?3 AND u.folded = m.folded) ORDER BY m.id LIMIT 1");
    other.bind(1, shadowed).bind(2, after.id).bind(3, key);
    if (other.step()) return placedOf(other, 1);
    return std::nullopt;
}

// The subkey at the index, counted from the start.
std::optional<PlacedSubkey> subkeyCounted(Database& db, KeyId key, KeyId shadowed, DWORD index) {
    auto q = db.prepare(std::string(kMergedSubkeys) + " LIMIT 1 OFFSET ?3");
    q.bind(1, key).bind(2, shadowed).bind(3, static_cast<std::int64_t>(index));
    if (!q.step()) return std::nullopt;
    return PlacedSubkey{{q.text(0), static_cast<ULONGLONG>(q.integer(1))},
                        {static_cast<int>(q.integer(2)), q.integer(3)}};
}
}  // namespace

bool Tree::exists(KeyId key) { return m_db.prepare("SELECT 1 FROM keys WHERE id = ?1").bind(1, key).step(); }

std::optional<KeyId> Tree::child(KeyId parent, std::u16string_view name) {
    auto q = m_db.prepare("SELECT id FROM keys WHERE parent = ?1 AND folded = ?2");
    q.bind(1, parent).bind(2, folded(name));
    if (!q.step()) return std::nullopt;
    return q.integer(0);
}

KeyId Tree::addChild(KeyId parent, std::u16string_view name) {
    m_db.prepare("INSERT INTO keys(parent, name, folded, written) VALUES(?1, ?2, ?3, ?4)")
        .bind(1, parent)
        .bind(2, name)
        .bind(3, folded(name))
        .bind(4, now())
        .step();
    const KeyId id = m_db.lastInsertId();
    touch(parent);
    return id;
}

KeyId Tree::addRoot(std::u16string_view name) {
    m_db.prepare("INSERT INTO keys(parent, name, folded, written) VALUES(NULL, ?1, ?2, ?3)")
        .bind(1, name)
        .bind(2, folded(name))
        .bind(3, now())
        .step();
    return m_db.lastInsertId();
}

std::optional<KeyId> Tree::find(KeyId from, const KeyPath& path) {
    KeyId key = from;
    for (const auto& name : path) {
        const auto next = child(key, name);
        if (!next) return std::nullopt;
        key = *next;
    }
    return key;
}

std::pair<KeyId, bool> Tree::make(KeyId from, const KeyPath& path) {
    KeyId key = from;
    bool created = false;
    for (const auto& name : path) {
        const auto next = child(key, name);
        created = !next;
        key = next ? *next : addChild(key, name);
    }
    return {key, created};
}

bool Tree::hasSubkeys(KeyId key) {
    return m_db.prepare("SELECT 1 FROM keys WHERE parent = ?1 LIMIT 1").bind(1, key).step();
}

void Tree::removeBelow(KeyId key, bool keepKey) {
    m_db.prepare(std::string(kSubtree) + "DELETE FROM key_values WHERE key IN sub").bind(1, key).step();
    m_db.prepare(std::string(kSubtree) + "DELETE FROM keys WHERE id IN sub AND id <> ?2")
        .bind(1, key)
        .bind(2, keepKey ? key : kNoKey)
        .step();
}

void Tree::remove(KeyId key) {
    auto q = m_db.prepare("SELECT parent FROM keys WHERE id = ?1");
    q.bind(1, key);
    const KeyId parent = q.step() ? q.integer(0) : kNoKey;
    removeBelow(key, false);
    touch(parent);
}

void Tree::clear(KeyId key) {
    removeBelow(key, true);
    touch(key);
}

std::optional<Subkey> Tree::subkeyAt(KeyId key, KeyId shadowed, DWORD index) {
    const Database::Mark mark = m_db.mark();
    const ListKey list{Listing::Subkeys, key, shadowed};
    const std::optional<ListPosition> after = index == 0 ? ListPosition{} : positionBefore(mark, list, index);
    auto found = after ? subkeyAfter(m_db, key, shadowed, *after) : subkeyCounted(m_db, key, shadowed, index);
    if (!found) return std::nullopt;
    keepPosition(mark, list, index, found->at);
    return std::move(found->subkey);
}

std::vector<Subkey> Tree::subkeys(KeyId key, KeyId shadowed) {
    auto q = m_db.prepare(kMergedSubkeys);
    q.bind(1, key).bind(2, shadowed);
    std::vector<Subkey> list;
    while (q.step()) list.push_back({q.text(0), static_cast<ULONGLONG>(q.integer(1))});
    return list;
}

ULONGLONG Tree::written(KeyId key) {
    auto q = m_db.prepare("SELECT written FROM keys WHERE id = ?1");
    q.bind(1, key);
    return q.step() ? static_cast<ULONGLONG>(q.integer(0)) : 0;
}

std::optional<Value> Tree::value(KeyId key, std::u16string_view name) {
    auto q = m_db.prepare("SELECT name, type, data FROM key_values WHERE key = ?1 AND folded = ?2");
    q.bind(1, key).bind(2, folded(name));
    if (!q.step()) return std::nullopt;
    return valueOf(q);
}

std::optional<Value> Tree::valueAt(KeyId key, DWORD index) {
    const Database::Mark mark = m_db.mark();
    const ListKey list{Listing::Values, key, kNoKey};
    const std::optional<ListPosition> after = index == 0 ? ListPosition{} : positionBefore(mark, list, index);
    auto q = after ? m_db.prepare("SELECT name, type, data, id FROM key_values WHERE key = ?1 AND id > ?2"
                                  " ORDER BY id LIMIT 1")
                   : m_db.prepare("SELECT name, type, data, id FROM key_values WHERE key = ?1"
                                  " ORDER BY id LIMIT 1 OFFSET ?2");
    q.bind(1, key).bind(2, after ? after->id : static_cast<std::int64_t>(index));
    if (!q.step()) return std::nullopt;
    keepPosition(mark, list, index, {0, q.integer(3)});
    return valueOf(q);
}

std::vector<Value> Tree::values(KeyId key) {
    auto q = m_db.prepare("SELECT name, type, data FROM key_values WHERE key = ?1 ORDER BY id");
    q.bind(1, key);
    std::vector<Value> list;
    while (q.step()) list.push_back(valueOf(q));
    return list;
}

bool Tree::hasValues(KeyId key) {
    return m_db.prepare("SELECT 1 FROM key_values WHERE key = ?1 LIMIT 1").bind(1, key).step();
}

void Tree::setValue(KeyId key, std::u16string_view name, DWORD type, std::span<const BYTE> data) {
    m_db.prepare("INSERT INTO key_values(key, name, folded, type, data) VALUES(?1, ?2, ?3, ?4, ?5)"
                 " ON CONFLICT(key, folded) DO UPDATE SET type = excluded.type, data = excluded.data")
        .bind(1, key)
        .bind(2, name)
        .bind(3, folded(name))
        .bind(4, static_cast<std::int64_t>(type))
        .bind(5, data)
        .step();
    touch(key);
}

bool Tree::deleteValue(KeyId key, std::u16string_view name) {
    m_db.prepare("DELETE FROM key_values WHERE key = ?1 AND folded = ?2").bind(1, key).bind(2, folded(name)).step();
    if (m_db.changes() == 0) return false;
    touch(key);
    return true;
}

void Tree::touch(KeyId key) {
    m_db.prepare("UPDATE keys SET written = ?2 WHERE id = ?1").bind(1, key).bind(2, now()).step();
}

}  // namespace platform::registry

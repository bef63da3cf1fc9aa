#include "classes_root.h"

namespace platform::registry {

namespace {
const KeyPath kUserClasses{u"Software", u"Classes"};
const KeyPath kMachineClasses{u"SOFTWARE", u"Classes"};
}  // namespace

std::optional<ClassesKey> findClassesKey(Tree& tree, const KeyPath& path) {
    const auto machine = tree.find(kMachineRoot, joined(kMachineClasses, path));
    if (const auto user = tree.find(kCurrentUserRoot, joined(kUserClasses, path)))
        return ClassesKey{*user, machine.value_or(kNoKey)};
    if (machine) return ClassesKey{*machine, kNoKey};
    return std::nullopt;
}

std::pair<ClassesKey, bool> makeClassesKey(Tree& tree, const KeyPath& path) {
    if (const auto found = findClassesKey(tree, path)) return {*found, false};
    const auto [id, created] = tree.make(kMachineRoot, joined(kMachineClasses, path));
    return {{id, kNoKey}, created};
}

}  // namespace platform::registry

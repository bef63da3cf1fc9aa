// Where a software container lives: a file of its own in the user's (or,
// with CRYPT_MACHINE_KEYSET, the machine's) key folder, or nowhere but
// memory for a verify context.
#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <vector>

#include "container_record.h"

namespace platform::crypt::provider {

class ContainerStore {
public:
    virtual ~ContainerStore() = default;
    // NTE_BAD_KEYSET when the container is gone, NTE_KEYSET_ENTRY_BAD when damaged.
    virtual ContainerRecord load() const = 0;
    // Reads, changes and writes back as one step that other processes see
    // whole or not at all.
    virtual void update(const std::function<void(ContainerRecord&)>& change) = 0;
};

std::unique_ptr<ContainerStore> memoryStore();

// One folder of container files, mode 0700, each file 0600. A file is named
// by the SHA-1 of the lower-cased UTF-8 name, since names compare without
// regard to case and may hold any character; the name itself is inside.
class ContainerFolder {
public:
    explicit ContainerFolder(bool machine);
    // NTE_EXISTS when a container of that name is there.
    void create(std::u16string_view name) const;
    // NTE_BAD_KEYSET when there is none; NTE_KEYSET_ENTRY_BAD when its file is damaged.
    std::unique_ptr<ContainerStore> open(std::u16string_view name) const;
    // NTE_BAD_KEYSET when there is none.
    void remove(std::u16string_view name) const;
    // The names of the readable containers, in the order of their names.
    std::vector<std::u16string> names() const;

private:
    std::filesystem::path m_folder;
};

}  // namespace platform::crypt::provider

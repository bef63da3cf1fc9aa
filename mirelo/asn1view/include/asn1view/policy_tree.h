// A signature policy as a named tree: read, labelled by the policy walk and
// named in the user-interface language, OIDs with their descriptions.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>

#include "asn1view/nodes.h"

namespace asn1view {

struct PolicyTreeLoad {
    int parseErrors = 0;              // the reader's count; the tree is complete only at 0
    bool descriptionsLoaded = false;  // the language's OID description file was read
    std::filesystem::path descriptionFile;  // the file looked for (after a clean read)
    bool TreeComplete() const noexcept { return parseErrors == 0; }
};

// Reads the policy into the root. When the read counts no error, labels the
// tree, loads the OID descriptions of the language (0 Czech, 1 Slovak,
// 2 English) from the folder and names the tree: a missing description
// file leaves the OIDs dotted but the tree whole. After a failed read the
// partial tree stays unnamed.
PolicyTreeLoad LoadPolicyTree(ASNRoot& root, std::span<const std::uint8_t> der, DWORD language,
                              const std::filesystem::path& oidDirectory);
PolicyTreeLoad LoadPolicyTree(ASNRoot& root, const std::filesystem::path& file, DWORD language,
                              const std::filesystem::path& oidDirectory);

// The folder of the module this code is linked into (the signing component,
// beside which the description files are installed); the program's folder
// when that cannot be told.
std::filesystem::path ComponentDirectory();

}  // namespace asn1view

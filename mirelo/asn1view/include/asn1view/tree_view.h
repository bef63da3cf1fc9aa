// What the policy tree needs of the tree-view control that shows it: an item
// inserted last under a parent, and a parent expanded. The dialog implements
// it over its control; tests record the calls.
#pragma once

#include <cstdint>
#include <string>

namespace asn1view {

class TreeView {
public:
    using Item = std::uintptr_t;
    static constexpr Item kRoot = 0;  // the parent of the top-level items

    virtual ~TreeView() = default;
    // Inserts an item with the (ANSI) text as the last child of parent.
    virtual Item InsertItem(Item parent, const std::string& text) = 0;
    virtual void Expand(Item item) = 0;
};

}  // namespace asn1view

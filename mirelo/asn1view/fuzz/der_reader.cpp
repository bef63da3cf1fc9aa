// The ASN.1 reader over any bytes, then everything the viewer does with
// the tree: the policy walk, naming, value texts and insertion into a view.
// Counted errors are the expected outcome; crashes, hangs, deep recursion
// and large allocations are the bugs.
#include <cstdint>

#include "asn1view/der_reader.h"

namespace {

class NullView : public asn1view::TreeView {
public:
    Item InsertItem(Item, const std::string&) override { return ++m_items; }
    void Expand(Item) override {}

private:
    Item m_items = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    asn1view::ASNRoot root;
    asn1view::ParseDer(root, {data, size});
    root.ApplySchema();
    root.ApplyLanguage(2);
    NullView view;
    root.InsertIntoTree(nullptr, view);
    return 0;
}

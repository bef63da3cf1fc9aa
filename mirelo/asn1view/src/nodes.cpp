// Naming, dumping and tree insertion of the nodes.
#include "asn1view/nodes.h"

#include "common/sign_policy_labels.h"

namespace asn1view {

bool ASN1Object::IsContainer() const noexcept {
    switch (m_type) {
    case NodeType::Root: case NodeType::Sequence: case NodeType::Set: case NodeType::InnerOctetString:
    case NodeType::InnerBitString: case NodeType::DistinctTag:
        return true;
    default:
        return false;
    }
}

const std::string& ASN1Object::Label(DWORD language) const { return SignPolicyLabels::Get(language, m_kind); }

void ASN1Object::NameFromLabel(DWORD language, const std::string& fallback) {
    const std::string& label = Label(language);
    m_name = label.empty() ? fallback : label;
}

TreeView::Item ASN1Object::ParentItem(const InnerObject* parent) noexcept {
    return parent ? parent->Item() : TreeView::kRoot;
}

void ASN1Object::ExpandParent(InnerObject* parent, TreeView& view) {
    if (parent && parent->Expanded()) view.Expand(parent->Item());
}

void ASN1Object::Dump(std::ostream& out, int level) const {
    static constexpr const char* kWords[] = {"ROOT", "SEQUENCE", "SET", "INNER OCTET STRING", "INNER BIT STRING",
                                             "TAG", "NULL", "BOOLEAN", "INTEGER", "ENUMERATED", "OCTET STRING",
                                             "BIT STRING", "HEX", "OID", "TIME", "STRING"};
    out << std::string(static_cast<std::size_t>(level) * 2, ' ') << kWords[static_cast<int>(m_type)] << " <"
        << m_name << "> " << ValueText() << '\n';
}

ASN1Object& InnerObject::Add(std::unique_ptr<ASN1Object> child) {
    m_children.push_back(std::move(child));
    return *m_children.back();
}

void InnerObject::ApplyLanguage(DWORD language) {
    for (auto& child : m_children) child->ApplyLanguage(language);
}

void InnerObject::Dump(std::ostream& out, int level) const {
    ASN1Object::Dump(out, level);
    for (const auto& child : m_children) child->Dump(out, level + 1);
}

void InnerObject::InsertChildren(InnerObject* parent, TreeView& view) {
    for (auto& child : m_children) child->InsertIntoTree(parent, view);
}

// A hidden container passes its own parent on, so that its children stand
// where it would have stood.
void InnerObject::InsertIntoTree(InnerObject* parent, TreeView& view) {
    if (!Visible()) {
        InsertChildren(parent, view);
        return;
    }
    m_item = view.InsertItem(ParentItem(parent), m_name);
    ExpandParent(parent, view);
    InsertChildren(this, view);
}

void ASNRoot::InsertIntoTree(InnerObject*, TreeView& view) {
    m_item = TreeView::kRoot;
    InsertChildren(nullptr, view);
}

void Sequence::ApplyLanguage(DWORD language) {
    NameFromLabel(language, "Sequence");
    InnerObject::ApplyLanguage(language);
}

void Set::ApplyLanguage(DWORD language) {
    NameFromLabel(language, "Set");
    InnerObject::ApplyLanguage(language);
}

void InnerOctetString::ApplyLanguage(DWORD language) {
    NameFromLabel(language, "Octet String");
    InnerObject::ApplyLanguage(language);
}

void InnerBitString::ApplyLanguage(DWORD language) {
    NameFromLabel(language, "Bit String");
    InnerObject::ApplyLanguage(language);
}

void DistinctTag::ApplyLanguage(DWORD language) {
    NameFromLabel(language, "[" + std::to_string(m_tag) + "]");
    InnerObject::ApplyLanguage(language);
}

void LeafObject::ApplyLanguage(DWORD language) { NameFromLabel(language, m_defaultName); }

// Octet strings, bit strings and integers always show their name.
bool LeafObject::AlwaysLabelled() const noexcept {
    return Type() == NodeType::OctetString || Type() == NodeType::BitString || Type() == NodeType::Integer;
}

std::string LeafObject::ItemText() const {
    const std::string value = ValueText();
    if (AlwaysLabelled()) return m_name + " - " + value;
    if (value.empty()) return m_name;
    return Kind() != 0 ? m_name + " - " + value : value;
}

void LeafObject::InsertIntoTree(InnerObject* parent, TreeView& view) {
    m_item = view.InsertItem(ParentItem(parent), ItemText());
    if (!AlwaysLabelled()) ExpandParent(parent, view);
}

void ASNNull::ApplyLanguage(DWORD language) { m_valueLabel = SignPolicyLabels::Get(language, m_valueKind); }

void Enumerated::ApplyLanguage(DWORD language) {
    LeafObject::ApplyLanguage(language);
    m_valueLabel = SignPolicyLabels::Get(language, m_valueKind);
}

}  // namespace asn1view

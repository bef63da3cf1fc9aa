// The nodes of an ASN.1 tree as the reader builds it from a file: containers
// own their children in order, leaves hold a value. After reading, the
// signature-policy walk gives nodes a kind (a row of the policy label table)
// and ApplyLanguage names them; InsertIntoTree shows them in a tree view.
// Names and value texts are ANSI (Windows-1250).
#pragma once

#include <cstdint>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "asn1view/tree_view.h"
#include "win32/types.h"

namespace asn1view {

enum class NodeType {
    Root, Sequence, Set, InnerOctetString, InnerBitString, DistinctTag,
    Null, Boolean, Integer, Enumerated, OctetString, BitString, Hex, Oid, Time, String
};

using Bytes = std::vector<std::uint8_t>;
class InnerObject;

class ASN1Object {
public:
    virtual ~ASN1Object() = default;
    ASN1Object(const ASN1Object&) = delete;
    ASN1Object& operator=(const ASN1Object&) = delete;

    NodeType Type() const noexcept { return m_type; }
    bool IsContainer() const noexcept;
    const std::string& Name() const noexcept { return m_name; }
    DWORD Kind() const noexcept { return m_kind; }
    void SetKind(DWORD kind) noexcept { m_kind = kind; }
    bool Visible() const noexcept { return m_visible; }
    void SetVisible(bool visible) noexcept { m_visible = visible; }
    TreeView::Item Item() const noexcept { return m_item; }

    // Names the node from the label table row of its kind in the language
    // (0 Czech, 1 Slovak, 2 English), or its type's default name.
    virtual void ApplyLanguage(DWORD language) = 0;
    virtual std::string ValueText() const { return {}; }
    // A diagnostic line per node, two blanks of indent per level.
    virtual void Dump(std::ostream& out, int level) const;
    // Inserts the node under parent's item (the view's root without one).
    virtual void InsertIntoTree(InnerObject* parent, TreeView& view) = 0;

protected:
    ASN1Object(NodeType type, std::string name) : m_name(std::move(name)), m_type(type) {}
    const std::string& Label(DWORD language) const;
    void NameFromLabel(DWORD language, const std::string& fallback);
    static TreeView::Item ParentItem(const InnerObject* parent) noexcept;
    static void ExpandParent(InnerObject* parent, TreeView& view);

    std::string m_name;
    TreeView::Item m_item = 0;

private:
    NodeType m_type;
    DWORD m_kind = 0;
    bool m_visible = true;
};

class InnerObject : public ASN1Object {
public:
    bool Expanded() const noexcept { return m_expanded; }
    void SetExpanded(bool expanded) noexcept { m_expanded = expanded; }
    const std::vector<std::unique_ptr<ASN1Object>>& Children() const noexcept { return m_children; }
    ASN1Object& Add(std::unique_ptr<ASN1Object> child);

    void ApplyLanguage(DWORD language) override;
    void Dump(std::ostream& out, int level) const override;
    void InsertIntoTree(InnerObject* parent, TreeView& view) override;
    // The signature-policy labelling walk; does something for the root and
    // sequences only.
    virtual void ApplySchema() {}

protected:
    InnerObject(NodeType type, std::string name) : ASN1Object(type, std::move(name)) {}
    void InsertChildren(InnerObject* parent, TreeView& view);

private:
    bool m_expanded = false;
    std::vector<std::unique_ptr<ASN1Object>> m_children;
};

class ASNRoot final : public InnerObject {
public:
    ASNRoot() : InnerObject(NodeType::Root, "") {}
    void InsertIntoTree(InnerObject* parent, TreeView& view) override;
    void ApplySchema() override;
};

class Sequence final : public InnerObject {
public:
    Sequence() : InnerObject(NodeType::Sequence, "Sekvence") {}
    void ApplyLanguage(DWORD language) override;
    void ApplySchema() override;
};

class Set final : public InnerObject {
public:
    Set() : InnerObject(NodeType::Set, "Set") {}
    void ApplyLanguage(DWORD language) override;
};

class InnerOctetString final : public InnerObject {
public:
    InnerOctetString() : InnerObject(NodeType::InnerOctetString, "InnerOctetString") {}
    void ApplyLanguage(DWORD language) override;
};

class InnerBitString final : public InnerObject {
public:
    InnerBitString() : InnerObject(NodeType::InnerBitString, "InnerBitString") {}
    void ApplyLanguage(DWORD language) override;
};

// A context-specific, application or private tag.
class DistinctTag final : public InnerObject {
public:
    DistinctTag(std::uint32_t tag, bool constructed)
        : InnerObject(NodeType::DistinctTag, "Distinct Tag"), m_tag(tag), m_constructed(constructed) {}
    std::uint32_t Tag() const noexcept { return m_tag; }
    bool Constructed() const noexcept { return m_constructed; }
    void ApplyLanguage(DWORD language) override;

private:
    std::uint32_t m_tag;
    bool m_constructed;
};

class LeafObject : public ASN1Object {
public:
    void ApplyLanguage(DWORD language) override;
    void InsertIntoTree(InnerObject* parent, TreeView& view) override;

protected:
    LeafObject(NodeType type, std::string name, std::string defaultName)
        : ASN1Object(type, std::move(name)), m_defaultName(std::move(defaultName)) {}
    // The item text: name, value, or both.
    std::string ItemText() const;
    bool AlwaysLabelled() const noexcept;

private:
    std::string m_defaultName;  // after ApplyLanguage when the label is empty
};

class ASNNull final : public LeafObject {
public:
    ASNNull() : LeafObject(NodeType::Null, "NULL", "") {}
    DWORD ValueKind() const noexcept { return m_valueKind; }
    void SetValueKind(DWORD kind) noexcept { m_valueKind = kind; }
    void ApplyLanguage(DWORD language) override;
    std::string ValueText() const override { return m_valueLabel; }

private:
    DWORD m_valueKind = 0;
    std::string m_valueLabel;
};

class ASNBoolean final : public LeafObject {
public:
    explicit ASNBoolean(bool value) : LeafObject(NodeType::Boolean, "Boolean", "Boolean"), m_value(value) {}
    bool Value() const noexcept { return m_value; }
    void ApplyLanguage(DWORD) override { m_name = "Boolean"; }
    std::string ValueText() const override { return m_value ? "TRUE" : "FALSE"; }

private:
    bool m_value;
};

// Contents of 1 to 4 bytes as a signed number, longer ones as their bytes.
class ASNInteger final : public LeafObject {
public:
    explicit ASNInteger(std::int32_t value) : LeafObject(NodeType::Integer, "Integer", "Integer"), m_number(value) {}
    explicit ASNInteger(Bytes bytes)
        : LeafObject(NodeType::Integer, "Integer", "Integer"), m_bytes(std::move(bytes)) {}
    bool IsNumber() const noexcept { return m_bytes.empty(); }
    std::int32_t Number() const noexcept { return m_number; }
    const Bytes& Raw() const noexcept { return m_bytes; }
    std::string ValueText() const override;

private:
    std::int32_t m_number = 0;
    Bytes m_bytes;
};

// Shows the label of its value kind; the number is held, not shown.
class Enumerated final : public LeafObject {
public:
    explicit Enumerated(std::int32_t value) : LeafObject(NodeType::Enumerated, "Enumerated", "Enumerated"), m_value(value) {}
    std::int32_t Value() const noexcept { return m_value; }
    DWORD ValueKind() const noexcept { return m_valueKind; }
    void SetValueKind(DWORD kind) noexcept { m_valueKind = kind; }
    void ApplyLanguage(DWORD language) override;
    std::string ValueText() const override { return m_valueLabel; }

private:
    std::int32_t m_value;
    DWORD m_valueKind = 0;
    std::string m_valueLabel;
};

class OctetString final : public LeafObject {
public:
    explicit OctetString(Bytes bytes)
        : LeafObject(NodeType::OctetString, "OCTET STRING", "Octet String"), m_bytes(std::move(bytes)) {}
    const Bytes& Raw() const noexcept { return m_bytes; }
    std::string ValueText() const override;

private:
    Bytes m_bytes;
};

class BitString final : public LeafObject {
public:
    BitString(Bytes bytes, unsigned unusedBits)
        : LeafObject(NodeType::BitString, "BIT STRING", "Bit String"), m_bytes(std::move(bytes)), m_unused(unusedBits) {}
    const Bytes& Raw() const noexcept { return m_bytes; }
    unsigned UnusedBits() const noexcept { return m_unused; }
    std::string ValueText() const override;

private:
    Bytes m_bytes;
    unsigned m_unused;
};

// Primitive content of a non-universal tag that is not text.
class ASNhex final : public LeafObject {
public:
    explicit ASNhex(Bytes bytes) : LeafObject(NodeType::Hex, "HEX", ""), m_bytes(std::move(bytes)) {}
    const Bytes& Raw() const noexcept { return m_bytes; }
    std::string ValueText() const override;

private:
    Bytes m_bytes;
};

// An object identifier: its arcs, and for an OID under the UUID arc 2.25 the
// UUID (8-4-4-4-12 hexadecimal) that follows 2.25.
class Oid final : public LeafObject {
public:
    Oid(std::vector<std::int32_t> arcs, std::string uuid)
        : LeafObject(NodeType::Oid, "Object identificator", ""), m_arcs(std::move(arcs)), m_uuid(std::move(uuid)) {}
    const std::vector<std::int32_t>& Arcs() const noexcept { return m_arcs; }
    const std::string& Uuid() const noexcept { return m_uuid; }
    std::string Dotted() const;
    void ApplyLanguage(DWORD language) override;
    std::string ValueText() const override;

private:
    std::vector<std::int32_t> m_arcs;
    std::string m_uuid;
    std::string m_description;
};

// UTCTime or GeneralizedTime: the text as encoded, shown as
// "DD.MM.YYYY hh:mm:ss GMT" when well formed.
class ASNTime final : public LeafObject {
public:
    // utc: a UTCTime, else a GeneralizedTime.
    ASNTime(std::string encoded, bool utc)
        : LeafObject(NodeType::Time, "ASN Time", "Time"), m_encoded(std::move(encoded)), m_utc(utc) {}
    const std::string& Encoded() const noexcept { return m_encoded; }
    std::string ValueText() const override;

private:
    std::string m_encoded;
    bool m_utc;
};

class ASNString final : public LeafObject {
public:
    explicit ASNString(std::string text) : LeafObject(NodeType::String, "String", "String"), m_text(std::move(text)) {}
    std::string ValueText() const override { return m_text; }

private:
    std::string m_text;
};

}  // namespace asn1view

#include "versions_file.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <memory>

#include "common/xml_read.h"
#include "platform/paths.h"
#include "platform/text.h"

namespace halvex {
namespace {

using platform::text::fromUtf8;

constexpr std::size_t kLongestFile = 1 << 20;

std::u16string AttributeOf(xmlNode* node, const char* name) {
    xmlChar* value = xmlGetProp(node, reinterpret_cast<const xmlChar*>(name));
    if (!value) return {};
    std::u16string text = fromUtf8(reinterpret_cast<const char*>(value));
    xmlFree(value);
    return text;
}

std::u16string ContentOf(xmlNode* node) {
    xmlChar* value = xmlNodeGetContent(node);
    if (!value) return {};
    std::u16string text = fromUtf8(reinterpret_cast<const char*>(value));
    xmlFree(value);
    return text;
}

bool IsElement(xmlNode* node, const char* name) {
    return node->type == XML_ELEMENT_NODE && xmlStrcmp(node->name, reinterpret_cast<const xmlChar*>(name)) == 0;
}

bool Above(const VersionNumbers& left, const VersionNumbers& right) {
    return std::lexicographical_compare(std::begin(right.part), std::end(right.part), std::begin(left.part),
                                        std::end(left.part));
}

std::optional<std::string> ReadSmallFile(const std::u16string& file) {
    std::ifstream in(platform::paths::fromWindows(file), std::ios::binary);
    if (!in) return std::nullopt;
    std::string bytes(kLongestFile + 1, '\0');
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (in.bad() || static_cast<std::size_t>(in.gcount()) > kLongestFile) return std::nullopt;
    bytes.resize(static_cast<std::size_t>(in.gcount()));
    return bytes;
}

}  // namespace

std::optional<std::vector<VersionNote>> ReadVersionNotes(const std::u16string& file, const VersionNumbers& after,
                                                         const VersionNumbers& upTo, const std::u16string& language) {
    const auto bytes = ReadSmallFile(file);
    if (!bytes) return std::nullopt;
    // Notes declare no document type: one is refused with what the reader refuses.
    const tesk::xml::Document document = tesk::xml::ReadMemory(*bytes, "UTF-8", "Versions.xml");
    if (!document || document->intSubset || document->extSubset) return std::nullopt;
    xmlNode* root = xmlDocGetRootElement(document.get());
    if (!root) return std::nullopt;
    std::vector<VersionNote> notes;
    for (xmlNode* version = root->children; version; version = version->next) {
        if (!IsElement(version, "version")) continue;
        const VersionNumbers value = ParseVersion(AttributeOf(version, "val"));
        if (!Above(value, after) || Above(value, upTo)) continue;
        for (xmlNode* change = version->children; change; change = change->next) {
            if (!IsElement(change, "change") || AttributeOf(change, "lang") != language) continue;
            for (xmlNode* entry = change->children; entry; entry = entry->next)
                if (IsElement(entry, "entry")) notes.push_back({AttributeOf(entry, "title"), ContentOf(entry)});
        }
    }
    return notes;
}

}  // namespace halvex

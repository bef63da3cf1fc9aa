#include "html_view_dom.h"

#include <libxml/HTMLtree.h>
#include <libxml/tree.h>

#include <algorithm>
#include <cctype>
#include <climits>
#include <vector>

namespace platform::ui::html {

namespace {

constexpr int kParseOptions = HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING | HTML_PARSE_NONET;

const xmlChar* xml(const char* s) { return reinterpret_cast<const xmlChar*>(s); }

std::string lowered(std::string s) {
    for (auto& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

// The element's text with blanks trimmed and runs of them made one, as a
// browser gives an option's text.
std::string collapsedText(const xmlNode* element) {
    xmlChar* raw = xmlNodeGetContent(element);
    const std::string text = raw ? reinterpret_cast<const char*>(raw) : "";
    xmlFree(raw);
    std::string out;
    for (const char c : text) {
        if (std::isspace(static_cast<unsigned char>(c))) {
            if (!out.empty() && out.back() != ' ') out += ' ';
        } else {
            out += c;
        }
    }
    if (!out.empty() && out.back() == ' ') out.pop_back();
    return out;
}

// Calls visit(element) for the elements under `root` in document order
// until it returns true; no recursion, so any depth is safe.
template <class Visit>
xmlNode* walk(xmlNode* root, Visit visit) {
    xmlNode* node = root ? root->children : nullptr;
    while (node) {
        if (node->type == XML_ELEMENT_NODE && visit(node)) return node;
        if (node->type == XML_ELEMENT_NODE && node->children) {
            node = node->children;
            continue;
        }
        while (node && node != root && !node->next) node = node->parent;
        if (!node || node == root) break;
        node = node->next;
    }
    return nullptr;
}

std::vector<xmlNode*> optionsOf(xmlNode* select) {
    std::vector<xmlNode*> options;
    walk(select, [&](xmlNode* n) {
        if (hasTag(n, "option")) options.push_back(n);
        return false;
    });
    return options;
}

std::string optionValue(const xmlNode* option) {
    if (auto value = attribute(option, "value")) return *value;
    return collapsedText(option);
}

std::string inputType(const xmlNode* element) { return lowered(attribute(element, "type").value_or("text")); }

void removeChildren(xmlNode* element) {
    while (xmlNode* child = element->children) {
        xmlUnlinkNode(child);
        xmlFreeNode(child);
    }
}

}  // namespace

Document parsePage(std::string_view bytes) {
    if (bytes.size() > static_cast<std::size_t>(INT_MAX)) return nullptr;
    return Document(htmlReadMemory(bytes.data(), static_cast<int>(bytes.size()), nullptr, "UTF-8", kParseOptions));
}

xmlNode* elementById(xmlDoc* doc, std::string_view id) {
    if (!doc || id.empty()) return nullptr;
    return walk(reinterpret_cast<xmlNode*>(doc), [&](xmlNode* n) { return attribute(n, "id") == id; });
}

std::optional<std::string> attribute(const xmlNode* element, const char* name) {
    if (!xmlHasProp(element, xml(name))) return std::nullopt;
    xmlChar* value = xmlGetProp(element, xml(name));
    std::string text = value ? reinterpret_cast<const char*>(value) : "";
    xmlFree(value);
    return text;
}

void setAttribute(xmlNode* element, const char* name, const std::string& value) {
    xmlSetProp(element, xml(name), xml(value.c_str()));
}

void removeAttribute(xmlNode* element, const char* name) {
    if (xmlAttr* attr = xmlHasProp(element, xml(name))) xmlRemoveProp(attr);
}

bool hasTag(const xmlNode* element, std::string_view tag) {
    return element && element->type == XML_ELEMENT_NODE && element->name &&
           lowered(reinterpret_cast<const char*>(element->name)) == tag;
}

bool isCheckable(const xmlNode* element) {
    if (!hasTag(element, "input")) return false;
    const auto type = inputType(element);
    return type == "checkbox" || type == "radio";
}

bool isRadio(const xmlNode* element) { return hasTag(element, "input") && inputType(element) == "radio"; }

std::optional<std::string> fieldValue(xmlNode* element) {
    if (isCheckable(element)) return attribute(element, "value").value_or("on");
    if (hasTag(element, "input") || hasTag(element, "button")) return attribute(element, "value").value_or("");
    if (hasTag(element, "option")) return optionValue(element);
    if (hasTag(element, "textarea")) {
        xmlChar* raw = xmlNodeGetContent(element);
        std::string text = raw ? reinterpret_cast<const char*>(raw) : "";
        xmlFree(raw);
        return text;
    }
    if (hasTag(element, "select")) {
        const auto index = selectedOptionIndex(element);
        if (!index || *index < 0) return std::string();
        return optionValue(optionsOf(element)[static_cast<std::size_t>(*index)]);
    }
    return std::nullopt;
}

bool setFieldValue(xmlNode* element, const std::string& text) {
    if (hasTag(element, "input") || hasTag(element, "button") || hasTag(element, "option")) {
        setAttribute(element, "value", text);
        return true;
    }
    if (hasTag(element, "textarea")) {
        removeChildren(element);
        xmlAddChild(element, xmlNewText(xml(text.c_str())));
        return true;
    }
    if (!hasTag(element, "select")) return false;
    const auto options = optionsOf(element);
    const auto chosen = std::find_if(options.begin(), options.end(),
                                     [&](const xmlNode* o) { return optionValue(o) == text; });
    if (chosen == options.end()) return false;
    for (xmlNode* option : options) removeAttribute(option, "selected");
    setAttribute(*chosen, "selected", "selected");
    return true;
}

bool setCheckedState(xmlDoc* doc, xmlNode* element, bool checked) {
    if (!isCheckable(element)) return false;
    if (!checked) {
        removeAttribute(element, "checked");
        return true;
    }
    const auto group = attribute(element, "name");
    if (isRadio(element) && group && !group->empty()) {
        walk(reinterpret_cast<xmlNode*>(doc), [&](xmlNode* n) {
            if (n != element && isRadio(n) && attribute(n, "name") == group)
                removeAttribute(n, "checked");
            return false;
        });
    }
    setAttribute(element, "checked", "checked");
    return true;
}

std::optional<int> selectedOptionIndex(xmlNode* element) {
    if (!hasTag(element, "select")) return std::nullopt;
    const auto options = optionsOf(element);
    if (options.empty()) return -1;
    const auto selected = std::find_if(options.begin(), options.end(),
                                       [](const xmlNode* o) { return attribute(o, "selected").has_value(); });
    return selected == options.end() ? 0 : static_cast<int>(selected - options.begin());
}

std::string innerHtmlOf(xmlDoc* doc, xmlNode* element) {
    const Owned<xmlBuffer, xmlBufferFree> buffer(xmlBufferCreate());
    for (xmlNode* child = element->children; child; child = child->next) htmlNodeDump(buffer.get(), doc, child);
    return reinterpret_cast<const char*>(xmlBufferContent(buffer.get()));
}

std::string textOf(xmlNode* element) {
    xmlChar* raw = xmlNodeGetContent(element);
    const std::string text = raw ? reinterpret_cast<const char*>(raw) : "";
    xmlFree(raw);
    return text;
}

bool replaceInnerHtml(xmlDoc* doc, xmlNode* element, std::string_view html) {
    const Document fragment = parsePage("<html><body>" + std::string(html) + "</body></html>");
    xmlNode* body = fragment ? walk(reinterpret_cast<xmlNode*>(fragment.get()),
                                    [](xmlNode* n) { return hasTag(n, "body"); })
                             : nullptr;
    removeChildren(element);
    if (!body || !body->children) return true;
    xmlNode* copies = xmlDocCopyNodeList(doc, body->children);
    if (!copies) return false;
    xmlAddChildList(element, copies);
    return true;
}

}  // namespace platform::ui::html

// The wizard's pages as the program finds them among its resources: each
// parses as HTML without an error, holds every element, page function and
// command the program uses, and every action in it is one the HTML view
// follows without running the page's script.
#include <gtest/gtest.h>
#include <libxml/HTMLparser.h>
#include <libxml/tree.h>

#include <optional>
#include <memory>
#include <regex>
#include <set>
#include <string>

#include "halvex/page_names.h"
#include "win32/resources.h"

namespace {

using halvex::pages::PageContent;

std::string utf8(std::u16string_view text) {
    std::string out;
    for (char16_t c : text) out += static_cast<char>(c);  // names and keys are ASCII
    return out;
}

// The resource's bytes, or nullopt when the program does not carry it.
std::optional<std::string> resource(std::u16string_view name) {
    const std::u16string zeroEnded(name);
    HRSRC found = FindResourceExW(nullptr, MAKEINTRESOURCEW(RT_HTML_ID), zeroEnded.c_str(),
                                  halvex::pages::kPageLanguage);
    if (!found) return std::nullopt;
    const auto* bytes = static_cast<const char*>(LockResource(LoadResource(nullptr, found)));
    return std::string(bytes, SizeofResource(nullptr, found));
}

struct DocFree {
    void operator()(xmlDoc* doc) const { xmlFreeDoc(doc); }
};
struct CtxtFree {
    void operator()(htmlParserCtxt* ctxt) const { htmlFreeParserCtxt(ctxt); }
};

// What the tests read of a parsed page.
struct ParsedPage {
    bool wellFormed = false;
    std::string errors;
    std::multiset<std::string> ids;
    std::set<std::string> scripts;                           // src of script elements
    std::vector<std::pair<std::string, std::string>> refs;   // (attribute, value) of href and src
    std::vector<std::pair<std::string, std::string>> events; // (attribute, value) of on* attributes
};

void collectErrors(void* context, xmlError* error) {
    auto* errors = static_cast<std::string*>(context);
    *errors += "line " + std::to_string(error->line) + ": " + (error->message ? error->message : "") ;
}

void walk(xmlNode* node, ParsedPage& page) {
    for (; node; node = node->next) {
        if (node->type != XML_ELEMENT_NODE) continue;
        const std::string element = reinterpret_cast<const char*>(node->name);
        for (xmlAttr* attr = node->properties; attr; attr = attr->next) {
            const std::string name = reinterpret_cast<const char*>(attr->name);
            xmlChar* raw = xmlNodeGetContent(attr->children);
            const std::string value = raw ? reinterpret_cast<const char*>(raw) : "";
            xmlFree(raw);
            if (name == "id") page.ids.insert(value);
            if (name == "href" || name == "src") page.refs.emplace_back(name, value);
            if (name == "src" && element == "script") page.scripts.insert(value);
            if (name.rfind("on", 0) == 0) page.events.emplace_back(name, value);
        }
        walk(node->children, page);
    }
}

ParsedPage parse(const std::string& bytes) {
    ParsedPage page;
    std::unique_ptr<htmlParserCtxt, CtxtFree> ctxt(htmlNewParserCtxt());
    xmlSetStructuredErrorFunc(&page.errors, collectErrors);
    std::unique_ptr<xmlDoc, DocFree> doc(htmlCtxtReadMemory(ctxt.get(), bytes.data(), static_cast<int>(bytes.size()),
                                                            nullptr, "UTF-8", HTML_PARSE_NONET));
    xmlSetStructuredErrorFunc(nullptr, nullptr);
    page.wellFormed = doc && ctxt->wellFormed && page.errors.empty();
    if (doc) walk(xmlDocGetRootElement(doc.get()), page);
    return page;
}

std::set<std::string> carriedFiles() {
    std::set<std::string> files;
    for (const PageContent& content : halvex::pages::PageContents()) files.insert(utf8(content.page));
    for (auto file : halvex::pages::SupportFiles()) files.insert(utf8(file));
    return files;
}

TEST(HalvexPages, EveryPageParsesAndHoldsWhatTheProgramUses) {
    const auto script = resource(u"common.js");
    ASSERT_TRUE(script) << "common.js is not carried";
    ASSERT_EQ(8u, halvex::pages::PageContents().size());
    for (const PageContent& content : halvex::pages::PageContents()) {
        const std::string name = utf8(content.page);
        SCOPED_TRACE(name);
        const auto bytes = resource(content.page);
        ASSERT_TRUE(bytes) << "not carried";
        const ParsedPage page = parse(*bytes);
        EXPECT_TRUE(page.wellFormed) << page.errors;
        for (const std::string& id : page.ids) EXPECT_EQ(1u, page.ids.count(id)) << "id given twice: " << id;
        for (auto id : content.ids) EXPECT_EQ(1u, page.ids.count(utf8(id))) << "missing element " << utf8(id);

        const bool loadsScript = page.scripts.count("common.js") == 1;
        for (auto function : content.functions) {
            EXPECT_TRUE(loadsScript) << "calls for " << utf8(function) << " but does not load common.js";
            EXPECT_NE(std::string::npos, script->find("function " + utf8(function) + "("))
                << "common.js lacks " << utf8(function);
        }
        for (auto command : content.commands) {
            const std::string key = utf8(command);
            bool found = loadsScript && script->find("'" + key) != std::string::npos;
            for (const auto& [attribute, value] : page.refs) found = found || value.find(key) != std::string::npos;
            for (const auto& [attribute, value] : page.events) found = found || value.find(key) != std::string::npos;
            EXPECT_TRUE(found) << "no action navigates to " << key;
        }
    }
}

// The view follows a link's href or an onclick of the one form
// self.location='...'; anything else in a click would need the page's
// script, which a reader of the page without script cannot run.
TEST(HalvexPages, EveryReferenceIsCarriedAndEveryClickIsALocation) {
    const std::set<std::string> files = carriedFiles();
    for (const auto& file : files) EXPECT_TRUE(resource(std::u16string(file.begin(), file.end()))) << file;
    const std::regex location(R"(self\.location='URL_[A-Z_]+')");
    std::set<std::string> reached;
    for (const PageContent& content : halvex::pages::PageContents()) {
        const std::string name = utf8(content.page);
        SCOPED_TRACE(name);
        const ParsedPage page = parse(resource(content.page).value_or(""));
        for (const auto& [attribute, value] : page.refs) {
            if (value.rfind("URL_", 0) == 0) continue;
            EXPECT_EQ(1u, files.count(value)) << attribute << "=\"" << value << "\" is not carried";
            reached.insert(value);
        }
        for (const auto& [attribute, value] : page.events) {
            if (attribute != "onclick") continue;
            EXPECT_TRUE(std::regex_match(value, location)) << "onclick=\"" << value << "\"";
        }
    }
    for (auto file : halvex::pages::SupportFiles()) EXPECT_EQ(1u, reached.count(utf8(file))) << "never used";
    EXPECT_EQ("GIF89a", resource(u"help.gif").value_or("").substr(0, 6));
}

// A button does what it says: no two links of a page send the same
// command under different words, and the home page names no shortcut to a
// request type the program cannot renew.
TEST(HalvexPages, EachCommandHasOneLinkAndTheHomePageAdvertisesNoShortcut) {
    for (const PageContent& content : halvex::pages::PageContents()) {
        const std::string name = utf8(content.page);
        SCOPED_TRACE(name);
        const ParsedPage page = parse(resource(content.page).value_or(""));
        std::multiset<std::string> commands;
        for (const auto& [attribute, value] : page.refs)
            if (value.rfind("URL_", 0) == 0) commands.insert(value);
        for (const auto& command : commands) EXPECT_EQ(1u, commands.count(command)) << "two links send " << command;
    }
    const std::string home = resource(u"home.htm").value_or("");
    EXPECT_EQ(std::string::npos, home.find("Ctrl+")) << "shortcuts to types that end on the error page";
}

}  // namespace

#include <algorithm>
#include <sstream>
#include <vector>

#include "halvex/page_fragments.h"
#include "halvex/page_names.h"
#include "page_sync.h"
#include "platform/text.h"

namespace halvex {
namespace {

using platform::text::fromUtf8;
using platform::text::toUtf8;

std::vector<std::string> ClassWords(platform::ui::HtmlView& page, const std::string& id) {
    std::istringstream text(page.className(id).value_or(""));
    std::vector<std::string> words;
    for (std::string word; text >> word;) words.push_back(word);
    return words;
}

void SetClassWords(platform::ui::HtmlView& page, const std::string& id, const std::vector<std::string>& words) {
    std::string text;
    for (const std::string& word : words) text += (text.empty() ? "" : " ") + word;
    page.setClassName(id, text);
}

std::string Escaped(const std::string& text) { return toUtf8(pages::EscapeHtml(fromUtf8(text))); }

}  // namespace

void ShowItem(platform::ui::HtmlView& page, const std::string& id, bool hide) {
    if (!page.className(id)) return;
    const std::string hidden = toUtf8(pages::kHiddenClass);
    std::vector<std::string> words = ClassWords(page, id);
    std::erase(words, hidden);
    if (hide) words.push_back(hidden);
    SetClassWords(page, id, words);
}

void SetMandatory(platform::ui::HtmlView& page, const std::string& id) {
    if (!page.className(id)) return;
    const std::string mandatory = toUtf8(pages::kMandatoryClass);
    std::vector<std::string> words = ClassWords(page, id);
    if (std::find(words.begin(), words.end(), mandatory) != words.end()) return;
    const auto optional = std::find(words.begin(), words.end(), toUtf8(pages::kOptionalClass));
    if (optional != words.end())
        *optional = mandatory;
    else
        words.push_back(mandatory);
    SetClassWords(page, id, words);
}

void DefinePageFunctions(platform::ui::HtmlView& page) {
    page.defineFunction(toUtf8(pages::kAdd2CertList),
                        [](platform::ui::HtmlView& view, const std::vector<std::string>& args) {
                            if (args.size() < 3) return;
                            const std::string options = view.innerHtml("MYCERT_LIST").value_or("");
                            view.setInnerHtml("MYCERT_LIST", options + "<option value=\"" + Escaped(args[2]) +
                                                                 "\" title=\"" + Escaped(args[1]) + "\">" +
                                                                 Escaped(args[0]) + "</option>");
                        });
    page.defineFunction(toUtf8(pages::kRemoveSelectOption),
                        [](platform::ui::HtmlView& view, const std::vector<std::string>& args) {
                            if (args.size() < 2) return;
                            const std::string options = view.innerHtml(args[0]).value_or("");
                            const std::string start = "<option value=\"" + args[1] + "\"";
                            const std::size_t at = options.find(start);
                            const std::size_t end = options.find("</option>", at);
                            if (at == std::string::npos || end == std::string::npos) return;
                            view.setInnerHtml(args[0], options.substr(0, at) + options.substr(end + 9));
                        });
    page.defineFunction(toUtf8(pages::kSetCountry),
                        [](platform::ui::HtmlView& view, const std::vector<std::string>& args) {
                            if (args.empty()) return;
                            ShowItem(view, "RA_CERT_GOV_USAGE_INPUT", args[0] != "SK");
                        });
}

}  // namespace halvex

// The element operations of the HTML view on a page parsed by libxml2's
// HTML parser, as a browser's script would see them: an input's value is
// its "value" attribute, a check box's state its "checked" attribute, a
// select's value that of its selected option.
#pragma once

#include <libxml/HTMLparser.h>

#include <optional>
#include <string>
#include <string_view>

#include "platform/owned.h"

namespace platform::ui::html {

using Document = Owned<xmlDoc, xmlFreeDoc>;

// The page's tree; null when the bytes are no HTML at all. The parser's
// own limits keep a hostile page's depth bounded; no network, no errors
// printed.
Document parsePage(std::string_view bytes);

// The first element (document order) with that id, or null.
xmlNode* elementById(xmlDoc* doc, std::string_view id);
// The element's attribute, or nothing when it has none.
std::optional<std::string> attribute(const xmlNode* element, const char* name);
void setAttribute(xmlNode* element, const char* name, const std::string& value);
void removeAttribute(xmlNode* element, const char* name);
bool hasTag(const xmlNode* element, std::string_view tag);
// An input of type checkbox or radio.
bool isCheckable(const xmlNode* element);
bool isRadio(const xmlNode* element);

std::optional<std::string> fieldValue(xmlNode* element);
bool setFieldValue(xmlNode* element, const std::string& text);
// Checking a radio button unchecks the others of its name in the page.
bool setCheckedState(xmlDoc* doc, xmlNode* element, bool checked);
std::optional<int> selectedOptionIndex(xmlNode* element);
std::string innerHtmlOf(xmlDoc* doc, xmlNode* element);
// The text of the element and everything below it (textContent).
std::string textOf(xmlNode* element);
// The element's children replaced by the fragment's nodes.
bool replaceInnerHtml(xmlDoc* doc, xmlNode* element, std::string_view html);

}  // namespace platform::ui::html

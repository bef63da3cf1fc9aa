// CPentak's members over the session's own small operations: reset, the
// test box, and the settings that the session validates.
#include "automation_text.h"
#include "pentak_class.h"
#include "platform/boundary.h"
#include "result_rules.h"

using pentak::codeOf;
using pentak::flagOf;
using pentak::giveText;
using pentak::textOf;

HRESULT CPentak::Reset() {
    return flagOf([&] { return CEnroll::Reset(); });
}

HRESULT CPentak::Test() {
    return flagOf([&] { return CEnroll::Test(); });
}

HRESULT CPentak::get_MessageEncoding(BSTR* pVal) { return giveText(GetMessageEncoding(), pVal); }
HRESULT CPentak::put_MessageEncoding(BSTR newVal) {
    return codeOf([&] { return SetMessageEncoding(textOf(newVal)); });
}

HRESULT CPentak::get_GUILanguage(BSTR* pVal) {
    return platform::winHr([&] { return giveText(GetGUILanguage(), pVal); });
}
HRESULT CPentak::put_GUILanguage(BSTR newVal) {
    return codeOf([&] { return SetGUILanguage(textOf(newVal)); });
}

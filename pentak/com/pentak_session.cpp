// CPentak's members over the session's own small operations: reset, the
// test box, and the settings that the session validates.
#include "automation_text.h"
#include "pentak_class.h"
#include "platform/boundary.h"
#include "result_rules.h"

using pentak::giveText;
using pentak::resultOfCode;
using pentak::resultOfFlag;
using pentak::textOf;
using platform::winHr;

HRESULT CPentak::Reset() {
    return winHr([&] { return resultOfFlag(CEnroll::Reset()); });
}

HRESULT CPentak::Test() {
    return winHr([&] { return resultOfFlag(CEnroll::Test()); });
}

HRESULT CPentak::get_MessageEncoding(BSTR* pVal) { return giveText(GetMessageEncoding(), pVal); }
HRESULT CPentak::put_MessageEncoding(BSTR newVal) {
    return winHr([&] { return resultOfCode(SetMessageEncoding(textOf(newVal))); });
}

HRESULT CPentak::get_GUILanguage(BSTR* pVal) {
    return winHr([&] { return giveText(GetGUILanguage(), pVal); });
}
HRESULT CPentak::put_GUILanguage(BSTR newVal) {
    return winHr([&] { return resultOfCode(SetGUILanguage(textOf(newVal))); });
}

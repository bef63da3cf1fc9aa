// CPentak's members over the session's key container: open, create, import,
// export and delete it, and read its name.
#include "automation_text.h"
#include "pentak_class.h"
#include "result_rules.h"
#include "text_results.h"

using pentak::flagGivingText;
using pentak::flagOf;
using pentak::textOf;

HRESULT CPentak::KeySelect() {
    return flagOf([&] { return CEnroll::KeySelect(); });
}

HRESULT CPentak::KeyGenerate() {
    return flagOf([&] { return CEnroll::KeyGenerate(); });
}

HRESULT CPentak::KeyContainerDelete(BSTR bstrContName) {
    return flagOf([&] { return CEnroll::KeyContainerDelete(textOf(bstrContName)); });
}

HRESULT CPentak::KeyImport(BSTR key) {
    return flagOf([&] { return CEnroll::KeyImport(textOf(key)); });
}

HRESULT CPentak::KeyExport(BSTR* key) {
    return flagGivingText(key, [&](std::u16string& text) { return CEnroll::KeyExport(text); });
}

HRESULT CPentak::GetContainerName(BSTR* bstrContainer) {
    return flagGivingText(bstrContainer, [&](std::u16string& name) { return GetProviderContainerName(name); });
}

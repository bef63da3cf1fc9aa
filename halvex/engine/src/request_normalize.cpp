// The data page's values made uniform before they are checked, and the
// key containers named by object label where the provider wants it.
#include "halvex/provider_list.h"
#include "halvex/request_model.h"
#include "halvex/request_object_label.h"
#include "halvex/text_utils.h"

namespace halvex {

namespace {

void CollapseBlanks(std::u16string& text) {
    text = TrimSpaces(text);
    ReplaceAll(text, u"  ", u" ");
}

}  // namespace

void TCertRequest::NormalizeFields() {
    for (std::u16string* text : {&identifierValue, &identifierIssuer, &identifierQualifier, &identifierPrefix, &country,
                                 &cardNumber, &provider.name, &firstContainer, &secondContainer})
        CollapseBlanks(*text);
    if (country == u"SK") identifierQualifier.clear();

    const DWORD flags = m_appData->ProviderFlags(provider.name);
    if (firstKeyOption && (flags & kProviderLabelsKeys)) {
        const bool pair = (kind & kKindParvelPair) != 0;
        const bool native = (flags & kProviderParvelNative) != 0;
        firstContainer = RequestObjectLabel(pair, native, false);
        secondContainer = RequestObjectLabel(pair, native, true);
    }
}

}  // namespace halvex

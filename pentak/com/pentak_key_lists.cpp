// CPentak's members over the session's key lists: the containers and the
// public-key hashes of its CSP store or of its pending requests.
#include "automation_text.h"
#include "pentak_class.h"
#include "text_results.h"

using pentak::codeGivingText;
using pentak::textOf;

HRESULT CPentak::EnumContainers(LONG index, LONG boolCspStore, BSTR* bstrContName) {
    return codeGivingText(bstrContName, [&](std::u16string& containers) {
        return CEnroll::EnumContainers(index, boolCspStore, containers);
    });
}

HRESULT CPentak::EnumPubKeyHash(LONG index, BSTR bstrHashOID, LONG boolCspStore, LONG boolFromCache,
                                BSTR* bstrHashVal) {
    return codeGivingText(bstrHashVal, [&](std::u16string& hashes) {
        return CEnroll::EnumPubKeyHash(index, textOf(bstrHashOID), boolCspStore, boolFromCache, hashes);
    });
}

HRESULT CPentak::GetPubKeyHashList(BSTR bstrHashOID, LONG boolCspStore, LONG boolFromCache, BSTR* bstrHashVal) {
    return codeGivingText(bstrHashVal, [&](std::u16string& hashes) {
        return CEnroll::GetPubKeyHashList(textOf(bstrHashOID), boolCspStore, boolFromCache, hashes);
    });
}

HRESULT CPentak::GetPubKeyHashContainer(BSTR bstrContName, BSTR bstrHashOID, LONG boolCspStore, LONG from_cache,
                                        BSTR* bstrHashVal) {
    return codeGivingText(bstrHashVal, [&](std::u16string& hashes) {
        return CEnroll::GetPubKeyHashContainer(textOf(bstrContName), textOf(bstrHashOID), boolCspStore, from_cache,
                                               hashes);
    });
}

// Providers, the session's key and its containers.
#include <string>

#include "export_session.h"
#include "export_text.h"
#include "pentak_exports.h"

using namespace pentak::exports;
using pentak::codeOf;
using pentak::flagOf;

HRESULT Pentak_EnumProviders(LONG index) {
    return flagOn(true, [&](CEnroll& s) { return s.EnumProviders(index); });
}

HRESULT Pentak_KeySelect() {
    return flagOn(true, [](CEnroll& s) { return s.KeySelect(); });
}

HRESULT Pentak_KeyGenerate() {
    return flagOn(true, [](CEnroll& s) { return s.KeyGenerate(); });
}

HRESULT Pentak_KeyContainerDelete(const char* containerName) {
    return flagOn(given(containerName),
                  [&](CEnroll& s) { return s.KeyContainerDelete(sessionText(s, containerName)); });
}

HRESULT Pentak_GetProviderContainerName(char* buffer, DWORD* length) {
    return onSession(given(length), [&](CEnroll& s) {
        return giveOnSuccess(NarrowOut(s, buffer, length), [&](std::u16string& name) {
            return flagOf([&] { return s.GetProviderContainerName(name); });
        });
    });
}

HRESULT Pentak_GetProviderVersion(char* buffer, DWORD* length) {
    return onSession(given(length), [&](CEnroll& s) {
        return giveOnSuccess(NarrowOut(s, buffer, length), [&](std::u16string& version) {
            return codeOf([&] { return s.GetProviderVersion(version); });
        });
    });
}

HRESULT Pentak_EnumContainers(LONG index, LONG boolCspStore, char* buffer, DWORD* length) {
    return onSession(given(length), [&](CEnroll& s) {
        return giveOnSuccess(NarrowOut(s, buffer, length), [&](std::u16string& containers) {
            return codeOf([&] { return s.EnumContainers(index, boolCspStore, containers); });
        });
    });
}

HRESULT Pentak_GetPubKeyHashContainer(const char* containerName, const char* hashOid, LONG boolCspStore,
                                      LONG fromCache, char* buffer, DWORD* length) {
    return onSession(given(containerName) && given(hashOid) && given(length), [&](CEnroll& s) {
        const std::u16string name = sessionText(s, containerName);
        const std::u16string oid = sessionText(s, hashOid);
        return giveOnSuccess(NarrowOut(s, buffer, length), [&](std::u16string& hashes) {
            return codeOf([&] { return s.GetPubKeyHashContainer(name, oid, boolCspStore, fromCache, hashes); });
        });
    });
}

// CertOpenStore and its providers, CertOpenSystemStore, CertCloseStore and
// CertAddStoreToCollection.
#include <memory>

#include "msg/der_framing.h"
#include "platform/boundary.h"
#include "platform/text.h"
#include "store/collection_store.h"
#include "store/local_store.h"
#include "store/message_source.h"
#include "store/signed_data.h"
#include "store/store_lock.h"
#include "win32/crypt_store.h"
#include "win32/registry.h"

using namespace platform;
using namespace platform::crypt::store;

namespace {

HKEY rootOf(DWORD flags) {
    switch (flags & CERT_SYSTEM_STORE_LOCATION_MASK) {
    case CERT_SYSTEM_STORE_CURRENT_USER:
        return HKEY_CURRENT_USER;
    case CERT_SYSTEM_STORE_LOCAL_MACHINE:
        return HKEY_LOCAL_MACHINE;
    default:
        throw WinError(E_INVALIDARG, "unknown system store location");
    }
}

// The user's trust stores that also show the machine's certificates, as on
// Windows: what is installed for the machine is found by every user.
bool showsMachineStore(DWORD flags, std::u16string_view name) {
    if ((flags & CERT_SYSTEM_STORE_LOCATION_MASK) != CERT_SYSTEM_STORE_CURRENT_USER) return false;
    return text::equalsNoCase(name, u"Root") || text::equalsNoCase(name, u"Trust") ||
           text::equalsNoCase(name, u"CA");
}

// The user's store followed by the machine's. Additions go to the user's;
// the machine's part is read-only here, so nothing of it changes through a
// user's view.
std::shared_ptr<Store> withMachineStore(DWORD flags, std::u16string_view name, std::shared_ptr<Store> user) {
    const DWORD machineFlags = (flags & ~(CERT_SYSTEM_STORE_LOCATION_MASK | CERT_STORE_CREATE_NEW_FLAG)) |
                               CERT_SYSTEM_STORE_LOCAL_MACHINE | CERT_STORE_READONLY_FLAG;
    std::shared_ptr<Store> machine = LocalStore::loadSystemStore(
        machineFlags, std::make_unique<SystemStoreKeys>(HKEY_LOCAL_MACHINE, name));
    auto view = std::make_shared<CollectionStore>(flags);
    registerStore(user);
    registerStore(machine);
    view->addSibling(std::move(user), CERT_PHYSICAL_STORE_ADD_ENABLE_FLAG, 1);
    view->addSibling(std::move(machine), 0, 0);
    return view;
}

// Null after CERT_STORE_DELETE_FLAG, with the last error 0 once deleted.
std::shared_ptr<Store> openSystemStore(DWORD flags, const WCHAR* name) {
    if (!name || !*name) throw WinError(E_INVALIDARG, "no system store name");
    const std::u16string_view storeName(name, text::length(name));
    // Remote ("computer\MY") and physical ("MY\.Default") stores are not kept here.
    if (storeName.find(u'\\') != std::u16string_view::npos) throw WinError(E_INVALIDARG, "not a system store name");
    auto keys = std::make_unique<SystemStoreKeys>(rootOf(flags), storeName);
    if (flags & CERT_STORE_DELETE_FLAG) {
        keys->deleteAll();
        SetLastError(ERROR_SUCCESS);
        return nullptr;
    }
    const bool exists = keys->exists() || isPredefinedSystemStore(storeName);
    if (exists && (flags & CERT_STORE_CREATE_NEW_FLAG)) throw WinError(ERROR_FILE_EXISTS, "the store exists");
    if (!exists) {
        if (flags & (CERT_STORE_OPEN_EXISTING_FLAG | CERT_STORE_READONLY_FLAG))
            throw WinError(ERROR_FILE_NOT_FOUND, "no such system store");
        keys->create();
    }
    std::shared_ptr<Store> store = LocalStore::loadSystemStore(flags, std::move(keys));
    if (showsMachineStore(flags, storeName)) return withMachineStore(flags, storeName, std::move(store));
    return store;
}

// A message in BER is read in its DER framing; the store's elements copy what they hold.
std::shared_ptr<Store> storeOfSignedData(DWORD encodingType, DWORD flags, View message) {
    const std::optional<Bytes> framed = crypt::msg::derFramingOf(message);
    const SignedDataContents contents = contentsOfSignedData(framed ? View(*framed) : message);
    auto store = std::make_shared<LocalStore>(flags);
    for (const View cert : contents.certificates)
        store->append(std::make_shared<Element>(Kind::Certificate, encodingType, cert));
    for (const View crl : contents.crls) store->append(std::make_shared<Element>(Kind::Crl, encodingType, crl));
    return store;
}

bool isProvider(LPCSTR provider, LPCSTR known) { return provider == known; }

std::shared_ptr<Store> openByProvider(LPCSTR provider, DWORD encodingType, DWORD flags, const void* pvPara) {
    if (isProvider(provider, CERT_STORE_PROV_MEMORY)) return std::make_shared<LocalStore>(flags);
    if (isProvider(provider, CERT_STORE_PROV_COLLECTION)) return std::make_shared<CollectionStore>(flags);
    if (isProvider(provider, CERT_STORE_PROV_SYSTEM_W))
        return openSystemStore(flags, static_cast<const WCHAR*>(pvPara));
    if (isProvider(provider, CERT_STORE_PROV_SYSTEM_A)) {
        if (!pvPara) throw WinError(E_INVALIDARG, "no system store name");
        const std::u16string name = text::toWide(static_cast<const char*>(pvPara));
        return openSystemStore(flags, name.c_str());
    }
    if (isProvider(provider, CERT_STORE_PROV_PKCS7)) {
        const auto* blob = static_cast<const CRYPT_DATA_BLOB*>(pvPara);
        if (!blob) throw WinError(E_INVALIDARG, "no message blob");
        return storeOfSignedData(encodingType, flags, viewOf(*blob));
    }
    if (isProvider(provider, CERT_STORE_PROV_MSG))
        return storeOfSignedData(encodingType, flags, encodedMessageOf(const_cast<void*>(pvPara)));
    throw WinError(ERROR_FILE_NOT_FOUND, "unknown store provider");
}

}  // namespace

HCERTSTORE CertOpenStore(LPCSTR lpszStoreProvider, DWORD dwEncodingType, HCRYPTPROV_LEGACY, DWORD dwFlags,
                         const void* pvPara) noexcept {
    // The provider handle is not used: signatures are checked without it,
    // and the caller's provider is never released behind its back.
    return winValue<HCERTSTORE>(nullptr, [&]() -> HCERTSTORE {
        const auto lock = lockStores();
        const auto store = openByProvider(lpszStoreProvider, dwEncodingType, dwFlags, pvPara);
        if (!store) return nullptr;
        const HCERTSTORE handle = registerStore(store);
        store->opened();
        return handle;
    });
}

HCERTSTORE CertOpenSystemStoreW(HCRYPTPROV_LEGACY hProv, LPCWSTR szSubsystemProtocol) noexcept {
    return CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, hProv, CERT_SYSTEM_STORE_CURRENT_USER, szSubsystemProtocol);
}

HCERTSTORE CertOpenSystemStoreA(HCRYPTPROV_LEGACY hProv, LPCSTR szSubsystemProtocol) noexcept {
    return CertOpenStore(CERT_STORE_PROV_SYSTEM_A, 0, hProv, CERT_SYSTEM_STORE_CURRENT_USER, szSubsystemProtocol);
}

BOOL CertCloseStore(HCERTSTORE hCertStore, DWORD dwFlags) noexcept {
    if (!hCertStore) return TRUE;
    return winBool([&] {
        const auto lock = lockStores();
        const auto store = storeOf(hCertStore);
        const DWORD outstanding = store->outstanding();
        if (!store->closeHandle()) throw WinError(ERROR_INVALID_HANDLE, "the store handle is closed");
        if ((dwFlags & CERT_CLOSE_STORE_CHECK_FLAG) && outstanding)
            throw WinError(CRYPT_E_PENDING_CLOSE, "contexts of the store are still in use");
        return true;
    });
}

BOOL CertAddStoreToCollection(HCERTSTORE hCollectionStore, HCERTSTORE hSiblingStore, DWORD dwUpdateFlags,
                              DWORD dwPriority) noexcept {
    return winBool([&] {
        const auto lock = lockStores();
        const auto store = storeOf(hCollectionStore);
        auto* collection = dynamic_cast<CollectionStore*>(store.get());
        if (!collection) throw WinError(E_INVALIDARG, "not a collection store");
        collection->addSibling(storeOf(hSiblingStore), dwUpdateFlags, dwPriority);
        return true;
    });
}

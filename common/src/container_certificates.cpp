// container_certificates.cpp: the key containers of a provider and the
// certificates stored on their keys.
#include <cstring>

#include "common/cert_context.h"
#include "common/cryptoapi.h"
#include "common/installed_providers.h"
#include "win32/crypt_provider.h"
#include "win32/error.h"

namespace {

// PP_ENUMCONTAINERS room: a container name of at most 260 characters.
constexpr DWORD kContainerNameRoom = 261;

// Completes what the key's certificate record lacks of its key provider and
// labels it with the provider's name.
void bindToContainer(CertInfo& info, const std::string& provider, DWORD type, const std::string& container,
                     DWORD keySpec) {
    if (info.providerName.empty()) info.providerName = provider;
    if (info.providerType == 0) info.providerType = type;
    if (info.containerName.empty()) info.containerName = container;
    if (info.keySpec == 0) info.keySpec = keySpec;
    info.label = provider;
}

// The exchange key's certificate, then the signature key's when it is
// another one; the card providers that keep one certificate per container
// are not asked for the second.
void collectContainer(const std::string& provider, DWORD type, const std::string& container,
                      std::vector<CertInfo>& out) {
    HCRYPTPROV handle = 0;
    if (!CryptAcquireContextA(&handle, container.c_str(), provider.c_str(), type, 0)) return;
    CertInfo exchange;
    if (TCryptoapi::GetKeyCertificate(handle, AT_KEYEXCHANGE, exchange)) {
        bindToContainer(exchange, provider, type, container, AT_KEYEXCHANGE);
        out.push_back(exchange);
    }
    CertInfo signature;
    if (IsPlainProvider(provider) && TCryptoapi::GetKeyCertificate(handle, AT_SIGNATURE, signature) &&
        !CertInfoEquals(exchange, signature)) {
        bindToContainer(signature, provider, type, container, AT_SIGNATURE);
        out.push_back(signature);
    }
    CryptReleaseContext(handle, 0);
}

}  // namespace

DWORD TCryptoapi::EnumContainerCertificates(const std::string& name, DWORD type, bool enumerateContainers) {
    HCRYPTPROV handle = 0;
    if (!CryptAcquireContextA(&handle, nullptr, name.c_str(), type, CRYPT_VERIFYCONTEXT)) return kErrCspUnusable;
    if (!enumerateContainers) {
        m_certificates.clear();
        return SetProvider(handle, type, name);
    }
    std::vector<std::string> containers;
    EnumContainers(handle, containers);
    std::vector<CertInfo> found;
    for (const std::string& container : containers) collectContainer(name, type, container, found);
    if (found.empty()) {
        CryptReleaseContext(handle, 0);
        return kErrNoContainerCertificate;
    }
    m_certificates = std::move(found);
    return SetProvider(handle, type, name);
}

bool TCryptoapi::EnumContainers(HCRYPTPROV provider, std::vector<std::string>& out) {
    char name[kContainerNameRoom];
    for (DWORD flags = CRYPT_FIRST;; flags = 0) {
        DWORD size = sizeof name;
        if (!CryptGetProvParam(provider, PP_ENUMCONTAINERS, reinterpret_cast<BYTE*>(name), &size, flags)) break;
        out.emplace_back(name, strnlen(name, size));
    }
    return GetLastError() == ERROR_NO_MORE_ITEMS;
}

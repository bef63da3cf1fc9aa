// cryptoapi.cpp: the provider a TCryptoapi holds.
#include "common/cryptoapi.h"

#include "common/installed_providers.h"
#include "win32/crypt_provider.h"

TCryptoapi::TCryptoapi() { FillInstalledProviders(false); }

TCryptoapi::~TCryptoapi() {
    if (m_provider) CryptReleaseContext(m_provider, 0);
}

DWORD TCryptoapi::SetProvider(HCRYPTPROV provider, DWORD type, const std::string& name) {
    if (m_provider && m_provider != provider) CryptReleaseContext(m_provider, 0);
    m_provider = provider;
    m_type = type;
    m_name = name;
    return 0;
}

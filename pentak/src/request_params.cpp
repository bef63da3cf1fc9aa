// request_params.cpp: parameters of the open key context and its key pairs.
#include "request_params.h"

#include "containers.h"
#include "encode_steps.h"
#include "win32/crypt_provider.h"

bool ReadProviderParamStep(HCRYPTPROV provider, DWORD param, DWORD room, std::vector<BYTE>& out, int line) {
    std::vector<BYTE> bytes(room);
    DWORD size = room;
    if (!CryptGetProvParam(provider, param, bytes.data(), &size, 0)) return FailedAt(line);
    bytes.resize(size);
    out = std::move(bytes);
    return true;
}

bool ReadProviderParamStep(HCRYPTPROV provider, DWORD param, std::vector<BYTE>& out, int sizeLine, int dataLine) {
    DWORD size = 0;
    if (!CryptGetProvParam(provider, param, nullptr, &size, 0)) return FailedAt(sizeLine);
    return ReadProviderParamStep(provider, param, size, out, dataLine);
}

bool ReadProviderTextStep(HCRYPTPROV provider, DWORD param, std::string& out, int sizeLine, int dataLine) {
    std::vector<BYTE> bytes;
    if (!ReadProviderParamStep(provider, param, bytes, sizeLine, dataLine)) return false;
    std::string text(bytes.begin(), bytes.end());
    out = text.c_str();
    return true;
}

bool ReadUserKeyParamStep(HCRYPTPROV provider, DWORD keySpec, DWORD param, DWORD flags, std::vector<BYTE>& out,
                          int keyLine, int sizeLine, int dataLine) {
    const UserKey key(provider, keySpec);
    if (!key.get()) return FailedAt(keyLine);
    DWORD size = 0;
    if (!CryptGetKeyParam(key.get(), param, nullptr, &size, flags)) return FailedAt(sizeLine);
    std::vector<BYTE> bytes(size);
    if (!CryptGetKeyParam(key.get(), param, bytes.data(), &size, flags)) return FailedAt(dataLine);
    bytes.resize(size);
    out = std::move(bytes);
    return true;
}

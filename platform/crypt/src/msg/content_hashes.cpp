#include "msg/content_hashes.h"

#include "platform/win_error.h"

namespace platform::crypt::msg {

// A default provider is released once the hashes are made: they keep it alive.
ContentHashes::ContentHashes(HCRYPTPROV provider, const std::vector<SignerInfo>& signers) {
    ProviderHandle fallback;
    if (!provider && !signers.empty()) provider = (fallback = ProviderHandle::verifyContext()).get();
    for (const SignerInfo& signer : signers)
        m_hashes.push_back(std::make_unique<HashHandle>(provider, digestAlgorithmId(signer.digestOid)));
}

void ContentHashes::update(View data) {
    if (m_finished) throw WinError(CRYPT_E_MSG_ERROR, "the content is complete");
    for (const auto& hash : m_hashes) hash->update(data);
}

void ContentHashes::finish() {
    for (const auto& hash : m_hashes) m_values.push_back(hash->value());
    m_finished = true;
}

const Bytes& ContentHashes::value(DWORD signer) const {
    if (signer >= m_values.size()) throw WinError(CRYPT_E_INVALID_INDEX, "no such signer");
    return m_values[signer];
}

}  // namespace platform::crypt::msg

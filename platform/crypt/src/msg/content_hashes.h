// The content's hash for each signer, computed through the message's
// provider as the content comes in, so that a provider without the signer's
// digest algorithm refuses the message (NTE_BAD_ALGID) as on Windows.
#pragma once

#include <memory>
#include <vector>

#include "msg/crypt_handles.h"
#include "msg/message_parts.h"

namespace platform::crypt::msg {

class ContentHashes {
public:
    // One hash per signer. Provider 0 takes the machine's default RSA and
    // AES provider. CRYPT_E_UNKNOWN_ALGO for a digest OID without an ALG_ID.
    ContentHashes(HCRYPTPROV provider, const std::vector<SignerInfo>& signers);

    void update(View data);
    // Reads every value; no data after this.
    void finish();
    bool finished() const noexcept { return m_finished; }
    // CRYPT_E_INVALID_INDEX for an index beyond the signers.
    const Bytes& value(DWORD signer) const;

private:
    std::vector<std::unique_ptr<HashHandle>> m_hashes;
    std::vector<Bytes> m_values;
    bool m_finished = false;
};

}  // namespace platform::crypt::msg

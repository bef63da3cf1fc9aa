// A message opened to decode: the bytes collected until the final update,
// what they decode to, and the content hashes of its signers. A detached
// message takes its content after that, in pieces of its own. Calls on one
// message may come from several threads.
#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <optional>

#include "msg/content_hashes.h"
#include "msg/message_parts.h"

namespace platform::crypt::msg {

class Message {
public:
    // expectedType 0 takes any type the message has.
    Message(DWORD expectedType, bool detached, HCRYPTPROV provider)
        : m_expectedType(expectedType), m_detached(detached), m_provider(provider) {}

    void update(View data, bool final);

    // CRYPT_E_STREAM_MSG_NOT_READY until the final update decoded the message.
    const MessageParts& parts() const;
    // The content's hash for the signer; not ready until all content is in.
    const Bytes& computedHash(DWORD signer) const;

    // Handle references: CryptMsgDuplicate adds one, CryptMsgClose drops
    // one; true when the last one went.
    void addReference() noexcept { ++m_references; }
    bool dropReference() noexcept { return --m_references == 0; }

private:
    enum class Stage { Collecting, AwaitingContent, Complete, Failed };

    void decode();

    DWORD m_expectedType;
    bool m_detached;
    HCRYPTPROV m_provider;
    Stage m_stage = Stage::Collecting;
    Bytes m_encoded;
    std::optional<MessageParts> m_parts;
    std::unique_ptr<ContentHashes> m_hashes;
    mutable std::mutex m_mutex;  // the stage and the hashes; parts never change once decoded
    std::atomic<unsigned> m_references{1};
};

}  // namespace platform::crypt::msg

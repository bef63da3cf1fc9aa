// A message on a handle. Opened to decode: the bytes collected until the
// final update, what they decode to, and the content hashes of its signers;
// a detached message takes its content after that, in pieces of its own.
// Opened to encode: the content goes to an encoder until the final update,
// and the ContentInfo it makes is then read back like a decoded message.
// A control may encode the message again; the parts of every encoding stay
// valid until the message closes, since calls on one message may come from
// several threads.
#pragma once

#include <atomic>
#include <functional>
#include <list>
#include <memory>
#include <mutex>

#include "msg/content_encoder.h"
#include "msg/content_hashes.h"
#include "msg/message_parts.h"

namespace platform::crypt::msg {

class Message {
public:
    // To decode; expectedType 0 takes any type the message has.
    Message(DWORD expectedType, bool detached, HCRYPTPROV provider)
        : m_type(expectedType), m_detached(detached), m_provider(provider) {}
    // To encode a message of the type (CMSG_SIGNED or CMSG_ENVELOPED).
    Message(DWORD type, std::unique_ptr<ContentEncoder> encoder)
        : m_type(type), m_stage(Stage::Encoding), m_encoder(std::move(encoder)) {}

    void update(View data, bool final);

    bool openedToEncode() const noexcept { return m_encoder != nullptr; }
    HCRYPTPROV provider() const noexcept { return m_provider; }
    // CRYPT_E_STREAM_MSG_NOT_READY until the final update.
    const MessageParts& parts() const;
    // The content's hash for the signer; not ready until all content is in.
    const Bytes& computedHash(DWORD signer) const;
    // Replaces the encoding of a decoded message by what `change` makes of
    // the current parts; the content hashes stay.
    void reencode(const std::function<Bytes(const MessageParts&)>& change);

    // Handle references: CryptMsgDuplicate adds one, CryptMsgClose drops
    // one; true when the last one went.
    void addReference() noexcept { ++m_references; }
    bool dropReference() noexcept { return --m_references == 0; }

private:
    enum class Stage { Collecting, AwaitingContent, Encoding, Complete, Failed };

    struct Encoded {
        Bytes bytes;
        MessageParts parts;  // views into bytes
    };

    void decode();
    void finishEncoding();
    const MessageParts& adopt(Bytes encoded);

    DWORD m_type;  // the type asked for; 0 (any) only when decoding
    bool m_detached = false;
    HCRYPTPROV m_provider = 0;
    Stage m_stage = Stage::Collecting;
    Bytes m_collected;
    std::list<Encoded> m_encodings;  // the current one last
    std::unique_ptr<ContentHashes> m_hashes;
    std::unique_ptr<ContentEncoder> m_encoder;
    mutable std::mutex m_mutex;  // the stage, the encodings and the hashes
    std::atomic<unsigned> m_references{1};
};

}  // namespace platform::crypt::msg

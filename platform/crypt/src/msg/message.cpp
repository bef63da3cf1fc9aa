#include "msg/message.h"

#include "msg/der_framing.h"
#include "platform/win_error.h"
#include "win32/crypt_msg.h"

namespace platform::crypt::msg {

void Message::update(View data, bool final) {
    const std::lock_guard lock(m_mutex);
    try {
        switch (m_stage) {
        case Stage::Collecting:
            m_collected.insert(m_collected.end(), data.begin(), data.end());
            if (final) decode();
            return;
        case Stage::AwaitingContent:
            m_hashes->update(data);
            if (final) {
                m_hashes->finish();
                m_stage = Stage::Complete;
            }
            return;
        case Stage::Encoding:
            m_encoder->update(data);
            if (final) finishEncoding();
            return;
        case Stage::Complete:
        case Stage::Failed: break;
        }
    } catch (...) {
        m_stage = Stage::Failed;
        throw;
    }
    throw WinError(CRYPT_E_MSG_ERROR, "the message takes no more data");
}

const MessageParts& Message::adopt(Bytes encoded) {
    Encoded& added = m_encodings.emplace_back();
    added.bytes = std::move(encoded);
    try {
        added.parts = parseMessage(added.bytes);
    } catch (...) {
        m_encodings.pop_back();
        throw;
    }
    return added.parts;
}

// A message in BER is decoded in its DER framing; the parts are views into that.
void Message::decode() {
    if (std::optional<Bytes> framed = derFramingOf(m_collected)) m_collected = std::move(*framed);
    const MessageParts& parts = adopt(std::move(m_collected));
    if (m_type && parts.type != m_type)
        throw WinError(CRYPT_E_UNEXPECTED_MSG_TYPE, "another message type than asked for");
    m_hashes = std::make_unique<ContentHashes>(m_provider, parts.signers);
    if (m_detached && parts.type == CMSG_SIGNED) {
        m_stage = Stage::AwaitingContent;
        return;
    }
    m_hashes->update(parts.hashedContent);
    m_hashes->finish();
    m_stage = Stage::Complete;
}

// A signed message reads back as a decoded one; the other types this side
// makes are not decoded here, so they answer only their type and encoding.
void Message::finishEncoding() {
    Bytes encoded = m_encoder->finish();
    if (m_type == CMSG_SIGNED) {
        adopt(std::move(encoded));
    } else {
        Encoded& added = m_encodings.emplace_back();
        added.bytes = std::move(encoded);
        added.parts.type = m_type;
        added.parts.encoded = added.bytes;
    }
    m_stage = Stage::Complete;
}

const MessageParts& Message::parts() const {
    const std::lock_guard lock(m_mutex);
    if (m_stage != Stage::AwaitingContent && m_stage != Stage::Complete)
        throw WinError(CRYPT_E_STREAM_MSG_NOT_READY, "the message is not decoded");
    return m_encodings.back().parts;
}

const Bytes& Message::computedHash(DWORD signer) const {
    const std::lock_guard lock(m_mutex);
    if (m_encoder) throw WinError(CRYPT_E_INVALID_MSG_TYPE, "a message being encoded has no computed hash");
    if (m_stage != Stage::Complete) throw WinError(CRYPT_E_STREAM_MSG_NOT_READY, "the content is not complete");
    return m_hashes->value(signer);
}

void Message::reencode(const std::function<Bytes(const MessageParts&)>& change) {
    const std::lock_guard lock(m_mutex);
    if (m_stage != Stage::AwaitingContent && m_stage != Stage::Complete)
        throw WinError(CRYPT_E_STREAM_MSG_NOT_READY, "the message is not decoded");
    adopt(change(m_encodings.back().parts));
}

}  // namespace platform::crypt::msg

#include "msg/message.h"

#include "platform/win_error.h"
#include "win32/crypt_msg.h"

namespace platform::crypt::msg {

void Message::update(View data, bool final) {
    const std::lock_guard lock(m_mutex);
    switch (m_stage) {
    case Stage::Collecting:
        m_encoded.insert(m_encoded.end(), data.begin(), data.end());
        if (final) decode();
        return;
    case Stage::AwaitingContent:
        try {
            m_hashes->update(data);
            if (final) {
                m_hashes->finish();
                m_stage = Stage::Complete;
            }
        } catch (...) {
            m_stage = Stage::Failed;
            throw;
        }
        return;
    case Stage::Complete:
    case Stage::Failed: break;
    }
    throw WinError(CRYPT_E_MSG_ERROR, "the message takes no more data");
}

// The views of the parts point into m_encoded, which is never changed again.
void Message::decode() {
    try {
        MessageParts parts = parseMessage(m_encoded);
        if (m_expectedType && parts.type != m_expectedType)
            throw WinError(CRYPT_E_UNEXPECTED_MSG_TYPE, "another message type than asked for");
        m_hashes = std::make_unique<ContentHashes>(m_provider, parts.signers);
        m_parts = std::move(parts);
        if (m_detached && m_parts->type == CMSG_SIGNED) {
            m_stage = Stage::AwaitingContent;
            return;
        }
        m_hashes->update(m_parts->hashedContent);
        m_hashes->finish();
        m_stage = Stage::Complete;
    } catch (...) {
        m_parts.reset();
        m_hashes.reset();
        m_stage = Stage::Failed;
        throw;
    }
}

const MessageParts& Message::parts() const {
    const std::lock_guard lock(m_mutex);
    if (!m_parts) throw WinError(CRYPT_E_STREAM_MSG_NOT_READY, "the message is not decoded");
    return *m_parts;
}

const Bytes& Message::computedHash(DWORD signer) const {
    const std::lock_guard lock(m_mutex);
    if (m_stage != Stage::Complete) throw WinError(CRYPT_E_STREAM_MSG_NOT_READY, "the content is not complete");
    return m_hashes->value(signer);
}

}  // namespace platform::crypt::msg

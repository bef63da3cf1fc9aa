// A read/write session with one token, and the object calls the card
// provider makes through it.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "p11_module.h"

namespace platform::crypt::p11 {

using Bytes = std::vector<CK_BYTE>;

// An attribute template that owns its values.
class Template {
public:
    Template& add(CK_ATTRIBUTE_TYPE type, CK_ULONG value);
    Template& flag(CK_ATTRIBUTE_TYPE type, bool value);
    Template& add(CK_ATTRIBUTE_TYPE type, std::span<const CK_BYTE> value);
    Template& add(CK_ATTRIBUTE_TYPE type, std::string_view value);
    CK_ATTRIBUTE* data();
    CK_ULONG size() const noexcept { return static_cast<CK_ULONG>(m_values.size()); }

private:
    std::vector<std::pair<CK_ATTRIBUTE_TYPE, Bytes>> m_values;
    std::vector<CK_ATTRIBUTE> m_attributes;
};

class Session {
public:
    Session(std::shared_ptr<Module> module, CK_SLOT_ID slot);
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    CK_SLOT_ID slot() const noexcept { return m_slot; }
    CK_TOKEN_INFO tokenInfo() const;
    CK_SLOT_INFO slotInfo() const;
    // Nothing when the token lacks the mechanism.
    std::optional<CK_MECHANISM_INFO> mechanismInfo(CK_MECHANISM_TYPE type) const;

    // The user is logged in to the token (by this session or another one of
    // the process).
    bool loggedIn() const;
    void login(std::string_view pin);

    std::vector<CK_OBJECT_HANDLE> find(Template& match) const;
    // Nothing when the object has no such attribute or will not show it;
    // NTE_BAD_DATA, before anything is read, when it is longer than maxSize.
    std::optional<Bytes> attribute(CK_OBJECT_HANDLE object, CK_ATTRIBUTE_TYPE type,
                                   std::size_t maxSize = SIZE_MAX) const;
    CK_OBJECT_HANDLE create(Template& object);
    void destroy(CK_OBJECT_HANDLE object);
    // Returns the public and the private key.
    std::pair<CK_OBJECT_HANDLE, CK_OBJECT_HANDLE> generateRsaPair(Template& publicKey, Template& privateKey);
    // CKM_RSA_PKCS: block type 1 padding around the bytes as given.
    Bytes sign(CK_OBJECT_HANDLE key, std::span<const CK_BYTE> input);

private:
    std::shared_ptr<Module> m_module;
    const CK_FUNCTION_LIST& m_f;
    CK_SLOT_ID m_slot;
    CK_SESSION_HANDLE m_handle = 0;
};

}  // namespace platform::crypt::p11

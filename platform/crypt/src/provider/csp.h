// The two provider backends behind one interface: the entry points see a
// Csp (one per acquired context), the Keyset it opened (a container, or
// none for a verify context) and its Keys. Which backend serves a provider
// is data: its registered image.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "algorithms.h"
#include "provider_registry.h"
#include "rsa_keys.h"

namespace platform::crypt::provider {

// A key of a container, or a public key imported on its own (spec 0).
class Key {
public:
    virtual ~Key() = default;
    virtual DWORD spec() const noexcept = 0;
    virtual ALG_ID algorithm() const noexcept = 0;
    virtual const EVP_PKEY& publicKey() const = 0;
    virtual bool exportable() const noexcept = 0;
    // The key pair a PRIVATEKEYBLOB is made of; NTE_BAD_KEY_STATE when the
    // key may not leave its container.
    virtual const EVP_PKEY& exportablePair() const = 0;
    // Big-endian PKCS #1 v1.5 signature of the bytes (a DigestInfo, or a
    // bare hash value); NTE_NO_KEY for a public key alone.
    virtual Bytes sign(View input) = 0;
    // The certificate kept with the key (KP_CERTIFICATE).
    virtual std::optional<Bytes> certificate() const = 0;
    virtual void setCertificate(std::optional<View> der) = 0;
    // A key parameter outside the standard ones that the key's own store
    // answers (a card's data for the key); nothing when it holds none.
    virtual std::optional<Bytes> vendorParameter(DWORD param) const;
};

// What an acquired context holds.
class Keyset {
public:
    virtual ~Keyset() = default;
    // The container's name; empty for a verify context.
    virtual std::u16string containerName() const = 0;
    // PP_ENUMCONTAINERS: the containers this context can see.
    virtual std::vector<std::u16string> containerNames() = 0;
    virtual AlgorithmList algorithms() const = 0;
    virtual DWORD version() const = 0;
    // NTE_NO_KEY when the container has no key of that spec.
    virtual std::shared_ptr<Key> userKey(DWORD spec) = 0;
    // Replaces the container's key of that spec (and drops its certificate).
    virtual std::shared_ptr<Key> generateKey(DWORD spec, DWORD bits, bool exportable) = 0;
    virtual std::shared_ptr<Key> importKeyPair(DWORD spec, PKey pair, bool exportable) = 0;
    // PP_KEYEXCHANGE_PIN / PP_SIGNATURE_PIN; NTE_BAD_TYPE where no PIN is used.
    virtual void setPin(DWORD spec, std::string pin);
    // A provider parameter outside the standard ones that the keyset's own
    // store answers (a card's data); nothing when it holds none.
    virtual std::optional<Bytes> vendorParameter(DWORD param);
    // Sets such a parameter (the value's length is the parameter's own
    // rule); NTE_BAD_TYPE for one the store does not take.
    virtual void setVendorParameter(DWORD param, const BYTE* value);
};

// Parsed CryptAcquireContext arguments.
struct KeysetRequest {
    std::optional<std::u16string> container;  // nothing for a null name
    DWORD flags = 0;
};

class Csp {
public:
    virtual ~Csp() = default;
    // Opens, creates (CRYPT_NEWKEYSET) or, with CRYPT_VERIFYCONTEXT, makes a
    // keyset without container.
    virtual std::unique_ptr<Keyset> acquire(const KeysetRequest& request) = 0;
    virtual void deleteKeyset(const KeysetRequest& request) = 0;
};

// The backend for a registered provider: the built-in software one, or a
// card provider over the PKCS#11 module of the image path.
std::unique_ptr<Csp> openCsp(const ProviderEntry& entry);

// The container of a null or empty name: the user's login name, as Windows
// names the default container.
std::u16string defaultContainerName();

}  // namespace platform::crypt::provider

// One test, every provider backend: a key container opened in the software
// provider or on a fresh SoftHSM2 token, with the few steps tests take on
// it, each checked. Signatures are handed out as CryptoAPI makes them
// (little-endian); publicKeyPem converts the exported PUBLICKEYBLOB on its
// own, without the layer, for peers such as `openssl`.
#pragma once

#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "testkit/pki.h"
#include "testkit/platform_root.h"
#include "testkit/softhsm.h"
#include "win32/crypt_provider.h"
#include "win32/crypt_types.h"

namespace testkit {

enum class CspKind { Software, SoftHsmToken };
void PrintTo(CspKind kind, std::ostream* out);

class TestCsp {
public:
    // The software provider is the Enhanced RSA and AES one; the token's PIN
    // is set on the context, so no prompt is shown. The container is created.
    TestCsp(CspKind kind, const PlatformRoot& root, std::u16string container = u"testkit");
    ~TestCsp();
    TestCsp(const TestCsp&) = delete;
    TestCsp& operator=(const TestCsp&) = delete;

    HCRYPTPROV handle() const noexcept { return m_prov; }
    const std::u16string& provider() const noexcept { return m_provider; }
    const std::u16string& container() const noexcept { return m_container; }
    // Null for the software provider.
    const SoftHsmToken* token() const noexcept { return m_token.get(); }

    // Releases the context; on a token that ends its PIN's log-in, so that
    // the next context of the provider asks the user again. The key and the
    // token stay; nothing else of this object may be used afterwards.
    void release();

    void generate(DWORD keySpec, DWORD bits, DWORD flags = 0);
    std::vector<BYTE> sign(DWORD keySpec, ALG_ID hash, std::string_view data);
    std::vector<BYTE> publicBlob(DWORD keySpec);
    std::string publicKeyPem(DWORD keySpec);
    // A certificate for the common name, issued by `issuer`, whose key (the
    // cached testkit key of that name) is imported into this container as
    // its exchange key; the context names the container in
    // CERT_KEY_PROV_INFO_PROP_ID. The caller frees it.
    PCCERT_CONTEXT certificateWithKey(const std::string& commonName, const pki::Credential& issuer);
    // The same for the certificate the builder makes (its subject, issuer
    // and extensions as the test set them), with the cached key of that name
    // in the software provider, with a key the token makes on a token.
    PCCERT_CONTEXT certificateWithKey(pki::CertificateBuilder builder, const std::string& keyName);

private:
    // The cached key of that name imported as the exchange key.
    pki::Key importedKey(const std::string& keyName);
    // A new exchange key; its DER SubjectPublicKeyInfo.
    Bytes generatedPublicKey();

    std::unique_ptr<SoftHsmToken> m_token;
    std::u16string m_provider;
    std::u16string m_container;
    HCRYPTPROV m_prov = 0;
};

// Answers the PIN prompts of card providers, for the life of the object,
// through the script UI backend. A prompt without an answer fails the test
// and counts as cancelled.
class PinPrompts {
public:
    PinPrompts();
    ~PinPrompts();
    PinPrompts(const PinPrompts&) = delete;
    PinPrompts& operator=(const PinPrompts&) = delete;

    void answer(const std::string& pin);
    void cancel();
    // "Pin: <provider>: <reader>" for each prompt shown.
    std::vector<std::string> shown() const;
    std::size_t unused() const;

private:
    std::optional<std::string> m_previousSetting;
};

// `openssl dgst -<digest> -verify` of a CryptoAPI signature over the data.
bool opensslVerifies(const PlatformRoot& root, const std::string& publicKeyPem, const std::vector<BYTE>& signature,
                     std::string_view data, const std::string& digest = "sha256");

}  // namespace testkit

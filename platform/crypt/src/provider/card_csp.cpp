#include "card_csp.h"

#include <openssl/crypto.h>

#include <algorithm>
#include <map>

#include "card_data.h"
#include "card_names.h"
#include "card_roots.h"
#include "der_certificate.h"
#include "p11_errors.h"
#include "p11_session.h"
#include "platform/text.h"
#include "platform/ui.h"
#include "platform/win_error.h"
#include "win32/crypt_provider.h"

namespace platform::crypt::provider {

namespace {

using namespace p11;

constexpr std::string_view kContainerApplication = "Tesk key container";
constexpr DWORD kMinCardBits = 512;
constexpr DWORD kMaxCardBits = 4096;

Bytes idOf(const std::string& container, DWORD spec) {
    Bytes id(container.begin(), container.end());
    id.push_back(static_cast<BYTE>(spec));
    return id;
}

// What a certificate object carries besides the certificate itself.
struct CertificateNames {
    Bytes subject, issuer, serial;
};

CertificateNames namesOf(View der) {
    const unsigned char* p = der.data();
    Certificate cert(d2i_X509(nullptr, &p, static_cast<long>(der.size())));
    if (!cert) throwOpenSsl(static_cast<DWORD>(NTE_BAD_DATA), "d2i_X509");
    auto encode = [](auto* value, auto i2d) {
        unsigned char* out = nullptr;
        const int size = i2d(value, &out);
        if (size <= 0) throwOpenSsl(static_cast<DWORD>(NTE_BAD_DATA), "i2d");
        Bytes bytes(out, out + size);
        OPENSSL_free(out);
        return bytes;
    };
    return {encode(X509_get_subject_name(cert.get()), i2d_X509_NAME),
            encode(X509_get_issuer_name(cert.get()), i2d_X509_NAME),
            encode(X509_get0_serialNumber(cert.get()), i2d_ASN1_INTEGER)};
}

// One token as one context uses it: its session, its reader and the PINs.
class Token {
public:
    Token(std::unique_ptr<Session> session, std::string provider, std::string reader, bool silent)
        : m_session(std::move(session)), m_provider(std::move(provider)), m_reader(std::move(reader)),
          m_silent(silent) {}
    ~Token() {
        for (auto& [spec, pin] : m_pins) OPENSSL_cleanse(pin.data(), pin.size());
    }
    Token(const Token&) = delete;
    Token& operator=(const Token&) = delete;

    Session& session() { return *m_session; }

    void setPin(DWORD spec, std::string pin) { m_pins[spec] = std::move(pin); }

    // Logs the user in, unless the token wants no login or the user is in.
    void login(DWORD spec) {
        if (!(m_session->tokenInfo().flags & CKF_LOGIN_REQUIRED) || m_session->loggedIn()) return;
        std::string pin = pinFor(spec);
        m_session->login(pin);
        OPENSSL_cleanse(pin.data(), pin.size());
    }

    std::vector<CK_OBJECT_HANDLE> objects(CK_OBJECT_CLASS type, const std::string& container, DWORD spec) {
        Template match;
        match.add(CKA_CLASS, type).add(CKA_ID, idOf(container, spec));
        return m_session->find(match);
    }

    std::vector<std::string> containers() {
        Template match;
        match.add(CKA_CLASS, CKO_DATA).add(CKA_APPLICATION, kContainerApplication);
        std::vector<std::string> names;
        for (const CK_OBJECT_HANDLE marker : m_session->find(match))
            if (const auto label = m_session->attribute(marker, CKA_LABEL)) names.emplace_back(label->begin(), label->end());
        return names;
    }

    bool hasContainer(const std::string& name) {
        for (const auto& existing : containers())
            if (existing == name) return true;
        return false;
    }

    void createContainer(const std::string& name) {
        if (hasContainer(name)) throw WinError(NTE_EXISTS, "the key container exists");
        Template marker;
        marker.add(CKA_CLASS, CKO_DATA)
            .flag(CKA_TOKEN, true)
            .flag(CKA_PRIVATE, false)
            .add(CKA_APPLICATION, kContainerApplication)
            .add(CKA_LABEL, name);
        // The container is a public object; a token that wants the user even for those gets the PIN.
        try {
            m_session->create(marker);
        } catch (const WinError& e) {
            if (e.code() != static_cast<DWORD>(SCARD_W_CARD_NOT_AUTHENTICATED)) throw;
            login(AT_SIGNATURE);
            m_session->create(marker);
        }
    }

    // Every object of the container, keys and certificates as well.
    void deleteContainer(const std::string& name) {
        if (!hasContainer(name)) throw WinError(NTE_BAD_KEYSET, "no such key container");
        login(AT_SIGNATURE);
        Template match;
        match.add(CKA_LABEL, name);
        for (const CK_OBJECT_HANDLE object : m_session->find(match)) m_session->destroy(object);
    }

private:
    std::string pinFor(DWORD spec) {
        if (const auto it = m_pins.find(spec); it != m_pins.end()) return it->second;
        if (!m_pins.empty()) return m_pins.begin()->second;  // one user PIN guards all keys of a token
        if (m_silent) throw WinError(NTE_SILENT_CONTEXT, "the token needs a PIN and no prompt may be shown");
        auto pin = ui::backend().askPin({m_provider, m_reader});
        if (!pin) throw WinError(SCARD_W_CANCELLED_BY_USER, "the PIN prompt was cancelled");
        return std::move(*pin);
    }

    std::unique_ptr<Session> m_session;
    std::string m_provider;
    std::string m_reader;
    bool m_silent;
    std::map<DWORD, std::string> m_pins;
};

PKey publicKeyOf(Session& session, CK_OBJECT_HANDLE object) {
    const auto n = session.attribute(object, CKA_MODULUS);
    const auto e = session.attribute(object, CKA_PUBLIC_EXPONENT);
    if (!n || !e) throw WinError(NTE_BAD_KEY, "the token's public key shows no modulus");
    RsaNumbers numbers;
    numbers.n = *n;
    numbers.e = *e;
    return rsaKeyFrom(numbers);
}

class CardKey final : public Key {
public:
    CardKey(std::shared_ptr<Token> token, std::string container, DWORD spec, PKey publicKey)
        : m_token(std::move(token)), m_container(std::move(container)), m_spec(spec),
          m_public(std::move(publicKey)) {}

    DWORD spec() const noexcept override { return m_spec; }
    ALG_ID algorithm() const noexcept override { return m_spec == AT_SIGNATURE ? CALG_RSA_SIGN : CALG_RSA_KEYX; }
    const EVP_PKEY& publicKey() const override { return *m_public; }
    bool exportable() const noexcept override { return false; }
    const EVP_PKEY& exportablePair() const override {
        throw WinError(NTE_BAD_KEY_STATE, "a token's private key never leaves the token");
    }

    Bytes sign(View input) override {
        m_token->login(m_spec);
        const auto keys = m_token->objects(CKO_PRIVATE_KEY, m_container, m_spec);
        if (keys.empty()) throw WinError(NTE_NO_KEY, "the token has no private key for the container");
        return m_token->session().sign(keys.front(), input);
    }

    std::optional<Bytes> certificate() const override {
        for (const CK_OBJECT_HANDLE cert : m_token->objects(CKO_CERTIFICATE, m_container, m_spec))
            if (auto value = m_token->session().attribute(cert, CKA_VALUE)) return value;
        return std::nullopt;
    }

    void setCertificate(std::optional<View> der) override {
        m_token->login(m_spec);
        for (const CK_OBJECT_HANDLE old : m_token->objects(CKO_CERTIFICATE, m_container, m_spec))
            m_token->session().destroy(old);
        if (!der) return;
        const CertificateNames names = namesOf(*der);
        Template cert;
        cert.add(CKA_CLASS, CKO_CERTIFICATE)
            .add(CKA_CERTIFICATE_TYPE, CKC_X_509)
            .flag(CKA_TOKEN, true)
            .flag(CKA_PRIVATE, false)
            .add(CKA_LABEL, m_container)
            .add(CKA_ID, idOf(m_container, m_spec))
            .add(CKA_SUBJECT, names.subject)
            .add(CKA_ISSUER, names.issuer)
            .add(CKA_SERIAL_NUMBER, names.serial)
            .add(CKA_VALUE, *der);
        m_token->session().create(cert);
    }

    std::optional<Bytes> vendorParameter(DWORD param) const override {
        return keyCardData(m_token->session(), m_container, m_spec, param);
    }

private:
    std::shared_ptr<Token> m_token;
    std::string m_container;
    DWORD m_spec;
    PKey m_public;
};

class CardKeyset final : public Keyset {
public:
    CardKeyset(std::shared_ptr<Token> token, std::string container, DWORD version)
        : m_token(std::move(token)), m_container(std::move(container)), m_version(version) {
        Session& s = m_token->session();
        auto range = s.mechanismInfo(CKM_RSA_PKCS_KEY_PAIR_GEN);
        if (!range) range = CK_MECHANISM_INFO{kMinCardBits, kMaxCardBits, 0};
        m_algorithms = cardAlgorithms(static_cast<DWORD>(std::max<CK_ULONG>(range->ulMinKeySize, kMinCardBits)),
                                      static_cast<DWORD>(range->ulMaxKeySize));
    }

    std::u16string containerName() const override { return text::fromUtf8(m_container); }

    std::vector<std::u16string> containerNames() override {
        std::vector<std::u16string> names;
        for (const auto& name : m_token->containers()) names.push_back(text::fromUtf8(name));
        std::sort(names.begin(), names.end(),
                  [](const auto& a, const auto& b) { return text::compareNoCase(a, b) < 0; });
        return names;
    }

    AlgorithmList algorithms() const override { return m_algorithms; }
    DWORD version() const override { return m_version; }

    std::shared_ptr<Key> userKey(DWORD spec) override {
        const auto keys = m_container.empty() ? std::vector<CK_OBJECT_HANDLE>{}
                                              : m_token->objects(CKO_PUBLIC_KEY, m_container, spec);
        if (keys.empty()) throw WinError(NTE_NO_KEY, "the container has no key of that spec");
        return std::make_shared<CardKey>(m_token, m_container, spec, publicKeyOf(m_token->session(), keys.front()));
    }

    std::shared_ptr<Key> generateKey(DWORD spec, DWORD bits, bool) override {
        if (m_container.empty()) throw WinError(NTE_BAD_KEYSET, "a verify context has no container for keys");
        m_token->login(spec);
        Session& s = m_token->session();
        for (const CK_OBJECT_CLASS type : {CKO_CERTIFICATE, CKO_PRIVATE_KEY, CKO_PUBLIC_KEY})
            for (const CK_OBJECT_HANDLE old : m_token->objects(type, m_container, spec)) s.destroy(old);
        const Bytes id = idOf(m_container, spec);
        const bool exchange = spec == AT_KEYEXCHANGE;
        const BYTE exponent[] = {0x01, 0x00, 0x01};
        Template pub;
        pub.add(CKA_CLASS, CKO_PUBLIC_KEY)
            .add(CKA_KEY_TYPE, CKK_RSA)
            .flag(CKA_TOKEN, true)
            .flag(CKA_PRIVATE, false)
            .add(CKA_LABEL, m_container)
            .add(CKA_ID, id)
            .add(CKA_MODULUS_BITS, CK_ULONG{bits})
            .add(CKA_PUBLIC_EXPONENT, exponent)
            .flag(CKA_VERIFY, true)
            .flag(CKA_ENCRYPT, exchange);
        Template priv;
        priv.add(CKA_CLASS, CKO_PRIVATE_KEY)
            .add(CKA_KEY_TYPE, CKK_RSA)
            .flag(CKA_TOKEN, true)
            .flag(CKA_PRIVATE, true)
            .flag(CKA_SENSITIVE, true)
            .flag(CKA_EXTRACTABLE, false)
            .add(CKA_LABEL, m_container)
            .add(CKA_ID, id)
            .flag(CKA_SIGN, true)
            .flag(CKA_DECRYPT, exchange);
        const auto [publicKey, privateKey] = s.generateRsaPair(pub, priv);
        return std::make_shared<CardKey>(m_token, m_container, spec, publicKeyOf(s, publicKey));
    }

    std::shared_ptr<Key> importKeyPair(DWORD, PKey, bool) override {
        throw WinError(NTE_NOT_SUPPORTED, "key pairs are made on the token, not imported");
    }

    void setPin(DWORD spec, std::string pin) override { m_token->setPin(spec, std::move(pin)); }

    // The card's roots are its certificate objects; other parameters are
    // its data objects.
    std::optional<Bytes> vendorParameter(DWORD param) override {
        if (auto roots = cardRootParameter(m_token->session(), param)) return roots;
        return providerCardData(m_token->session(), param);
    }

    void setVendorParameter(DWORD param, const BYTE* value) override {
        if (param != kCardRootDeleteParameter) Keyset::setVendorParameter(param, value);
        const CK_OBJECT_HANDLE root = cardRootObject(m_token->session(), certificateAt(value));
        m_token->login(AT_SIGNATURE);
        m_token->session().destroy(root);
    }

private:
    std::shared_ptr<Token> m_token;
    std::string m_container;
    DWORD m_version;
    std::vector<AlgorithmInfo> m_algorithms;
};

struct Reader {
    CK_SLOT_ID slot;
    std::string name;  // the slot's description
};

class CardCsp final : public Csp {
public:
    explicit CardCsp(ProviderEntry entry) : m_entry(std::move(entry)), m_module(Module::load(m_entry.imagePath)) {}

    std::unique_ptr<Keyset> acquire(const KeysetRequest& request) override {
        const bool verify = request.flags & CRYPT_VERIFYCONTEXT;
        const bool creating = request.flags & CRYPT_NEWKEYSET;
        const CardContainerName name = nameOf(request);
        auto token = open(name, verify || (request.flags & CRYPT_SILENT), creating);
        const std::string container = text::toUtf8(name.container);
        if (creating) token->createContainer(container);
        else if (!container.empty() && !token->hasContainer(container))
            throw WinError(NTE_BAD_KEYSET, "no such key container on the token");
        const CK_INFO info = m_module->info();
        return std::make_unique<CardKeyset>(std::move(token), container,
                                            static_cast<DWORD>(info.libraryVersion.major) << 8 |
                                                info.libraryVersion.minor);
    }

    void deleteKeyset(const KeysetRequest& request) override {
        const CardContainerName name = nameOf(request);
        open(name, request.flags & CRYPT_SILENT, false)->deleteContainer(text::toUtf8(name.container));
    }

private:
    // The container part, or for a context that needs one, the default.
    static CardContainerName nameOf(const KeysetRequest& request) {
        CardContainerName name = parseCardContainerName(request.container.value_or(u""));
        if (name.container.empty() && !(request.flags & (CRYPT_VERIFYCONTEXT | CRYPT_DEFAULT_CONTAINER_OPTIONAL)))
            name.container = defaultContainerName();
        return name;
    }

    // All readers, or those holding an initialised token (a blank one holds no containers).
    std::vector<Reader> readers(bool withToken) const {
        std::vector<Reader> out;
        for (const CK_SLOT_ID slot : m_module->slots(withToken)) {
            CK_TOKEN_INFO token{};
            if (withToken && (m_module->f().C_GetTokenInfo(slot, &token) != CKR_OK ||
                              !(token.flags & CKF_TOKEN_INITIALIZED)))
                continue;
            CK_SLOT_INFO info{};
            check(m_module->f().C_GetSlotInfo(slot, &info), "C_GetSlotInfo");
            out.push_back({slot, paddedText(info.slotDescription, sizeof info.slotDescription)});
        }
        return out;
    }

    std::shared_ptr<Token> tokenIn(const Reader& reader, bool silent) const {
        return std::make_shared<Token>(std::make_unique<Session>(m_module, reader.slot), text::toUtf8(m_entry.name),
                                       reader.name, silent);
    }

    // The token of the named reader; else the first token holding the
    // container; else (creating, or no container named) the first token.
    std::shared_ptr<Token> open(const CardContainerName& name, bool silent, bool creating) const {
        if (name.reader) {
            const std::string wanted = text::toUtf8(*name.reader);
            for (const Reader& reader : readers(false)) {
                CK_TOKEN_INFO info{};
                const bool present = m_module->f().C_GetTokenInfo(reader.slot, &info) == CKR_OK;
                const std::string label = present ? paddedText(info.label, sizeof info.label) : "";
                if (!text::equalsNoCase(text::fromUtf8(reader.name), *name.reader) &&
                    !(present && text::equalsNoCase(text::fromUtf8(label), *name.reader)))
                    continue;
                if (!present) throw WinError(SCARD_E_NO_SMARTCARD, "no token in reader " + wanted);
                return tokenIn(reader, silent);
            }
            throw WinError(SCARD_E_UNKNOWN_READER, "no reader " + wanted);
        }
        const auto present = readers(true);
        if (present.empty()) throw WinError(SCARD_E_NO_SMARTCARD, "no token in any reader");
        const std::string container = text::toUtf8(name.container);
        if (!creating && !container.empty())
            for (const Reader& reader : present) {
                auto token = tokenIn(reader, silent);
                if (token->hasContainer(container)) return token;
            }
        return tokenIn(present.front(), silent);
    }

    ProviderEntry m_entry;
    std::shared_ptr<Module> m_module;
};

}  // namespace

std::unique_ptr<Csp> makeCardCsp(const ProviderEntry& entry) { return std::make_unique<CardCsp>(entry); }

}  // namespace platform::crypt::provider

#include "software_csp.h"

#include "container_store.h"
#include "platform/win_error.h"
#include "win32/crypt_provider.h"

namespace platform::crypt::provider {

namespace {

// The Microsoft providers report version 2.0.
constexpr DWORD kVersion = 0x0200;

ALG_ID algorithmOfSpec(DWORD spec) { return spec == AT_SIGNATURE ? CALG_RSA_SIGN : CALG_RSA_KEYX; }

// A key of a software container, or (without a store) a public key alone.
class SoftwareKey final : public Key {
public:
    SoftwareKey(std::shared_ptr<ContainerStore> store, DWORD spec, ALG_ID algorithm, SharedPKey key, bool exportable)
        : m_store(std::move(store)), m_spec(spec), m_algorithm(algorithm), m_key(std::move(key)),
          m_exportable(exportable) {}

    DWORD spec() const noexcept override { return m_spec; }
    ALG_ID algorithm() const noexcept override { return m_algorithm; }
    const EVP_PKEY& publicKey() const override { return *m_key; }
    bool exportable() const noexcept override { return m_exportable; }

    const EVP_PKEY& exportablePair() const override {
        if (!m_store || !m_exportable) throw WinError(NTE_BAD_KEY_STATE, "the private key may not be exported");
        return *m_key;
    }

    Bytes sign(View input) override {
        if (!m_store) throw WinError(NTE_NO_KEY, "a public key cannot sign");
        return signPkcs1(*m_key, input);
    }

    std::optional<Bytes> certificate() const override {
        ContainerRecord record = m_store ? m_store->load() : ContainerRecord{};
        return stored(record).certificate;
    }

    void setCertificate(std::optional<View> der) override {
        if (!m_store) throw WinError(NTE_BAD_KEY, "a public key alone has no certificate");
        m_store->update([&](ContainerRecord& record) {
            StoredKey& key = stored(record);
            key.certificate.reset();
            if (der) key.certificate.emplace(der->begin(), der->end());
        });
    }

private:
    // The key as the container holds it now; NTE_NO_KEY once it was replaced.
    StoredKey& stored(ContainerRecord& record) const {
        if (!m_store) throw WinError(NTE_BAD_KEY, "a public key alone has no certificate");
        auto it = record.keys.find(m_spec);
        if (it == record.keys.end() || EVP_PKEY_eq(it->second.pair.get(), m_key.get()) != 1)
            throw WinError(NTE_NO_KEY, "the key is no longer in its container");
        return it->second;
    }

    std::shared_ptr<ContainerStore> m_store;
    DWORD m_spec;
    ALG_ID m_algorithm;
    SharedPKey m_key;
    bool m_exportable;
};

class SoftwareKeyset final : public Keyset {
public:
    SoftwareKeyset(std::u16string name, std::shared_ptr<ContainerStore> store, AlgorithmList algorithms,
                   ContainerFolder folder)
        : m_name(std::move(name)), m_store(std::move(store)), m_algorithms(algorithms), m_folder(std::move(folder)) {}

    std::u16string containerName() const override { return m_name; }
    std::vector<std::u16string> containerNames() override { return m_folder.names(); }
    AlgorithmList algorithms() const override { return m_algorithms; }
    DWORD version() const override { return kVersion; }

    std::shared_ptr<Key> userKey(DWORD spec) override {
        const ContainerRecord record = m_store->load();
        const auto it = record.keys.find(spec);
        if (it == record.keys.end()) throw WinError(NTE_NO_KEY, "the container has no key of that spec");
        return keyOf(spec, it->second);
    }

    std::shared_ptr<Key> generateKey(DWORD spec, DWORD bits, bool exportable) override {
        return store(spec, StoredKey{share(generateRsa(bits)), exportable, std::nullopt});
    }

    std::shared_ptr<Key> importKeyPair(DWORD spec, PKey pair, bool exportable) override {
        return store(spec, StoredKey{share(std::move(pair)), exportable, std::nullopt});
    }

private:
    std::shared_ptr<Key> store(DWORD spec, StoredKey key) {
        m_store->update([&](ContainerRecord& record) { record.keys[spec] = key; });
        return keyOf(spec, key);
    }

    std::shared_ptr<Key> keyOf(DWORD spec, const StoredKey& key) const {
        return std::make_shared<SoftwareKey>(m_store, spec, algorithmOfSpec(spec), key.pair, key.exportable);
    }

    std::u16string m_name;
    std::shared_ptr<ContainerStore> m_store;
    AlgorithmList m_algorithms;
    ContainerFolder m_folder;
};

class SoftwareCsp final : public Csp {
public:
    explicit SoftwareCsp(AlgorithmList algorithms) : m_algorithms(algorithms) {}

    std::unique_ptr<Keyset> acquire(const KeysetRequest& request) override {
        ContainerFolder folder(request.flags & CRYPT_MACHINE_KEYSET);
        if (request.flags & CRYPT_VERIFYCONTEXT)
            return std::make_unique<SoftwareKeyset>(u"", memoryStore(), m_algorithms, std::move(folder));
        const std::u16string name = nameOf(request);
        if (request.flags & CRYPT_NEWKEYSET) folder.create(name);
        std::shared_ptr<ContainerStore> store = folder.open(name);
        return std::make_unique<SoftwareKeyset>(store->load().name, std::move(store), m_algorithms, std::move(folder));
    }

    void deleteKeyset(const KeysetRequest& request) override {
        ContainerFolder(request.flags & CRYPT_MACHINE_KEYSET).remove(nameOf(request));
    }

private:
    static std::u16string nameOf(const KeysetRequest& request) {
        return request.container && !request.container->empty() ? *request.container : defaultContainerName();
    }

    AlgorithmList m_algorithms;
};

}  // namespace

std::unique_ptr<Csp> makeSoftwareCsp(const ProviderEntry& entry) {
    const AlgorithmList algorithms = builtInAlgorithms(entry.name);
    if (algorithms.empty())
        throw WinError(NTE_PROVIDER_DLL_FAIL, "the built-in image serves no provider of that name");
    return std::make_unique<SoftwareCsp>(algorithms);
}

std::shared_ptr<Key> publicKeyAlone(PKey key, ALG_ID algorithm) {
    return std::make_shared<SoftwareKey>(nullptr, 0, algorithm, share(std::move(key)), false);
}

}  // namespace platform::crypt::provider

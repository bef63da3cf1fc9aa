// The certificate dialogs as programs reach them: libcryptui.so loaded by
// name through the layer and its exports bound by name, over testkit's
// hierarchy, in a fresh platform root. Base is the test fixture it extends.
#pragma once

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include <testkit/scoped_env.h>
#include "testkit/pki.h"
#include "testkit/platform_root.h"
#include "win32/cryptui.h"
#include "win32/modules.h"

template <class Base>
class DialogsOn : public Base {
protected:
    static const testkit::pki::Hierarchy& pki() {
        static const auto hierarchy = testkit::pki::Hierarchy::make();
        return hierarchy;
    }

    void SetUp() override {
        Base::SetUp();
        m_module = LoadLibraryW(u"cryptui.dll");
        ASSERT_NE(nullptr, m_module) << "libcryptui.so not found in " << TESK_CRYPTUI_DIR;
        selectW = bind<PFN_CryptUIDlgSelectCertificateW>("CryptUIDlgSelectCertificateW");
        selectA = bind<PFN_CryptUIDlgSelectCertificateA>("CryptUIDlgSelectCertificateA");
        viewW = bind<PFN_CryptUIDlgViewCertificateW>("CryptUIDlgViewCertificateW");
        viewA = bind<PFN_CryptUIDlgViewCertificateA>("CryptUIDlgViewCertificateA");
        startCertMgr = bind<PFN_CryptUIStartCertMgr>("CryptUIStartCertMgr");
    }
    void TearDown() override {
        if (m_module) FreeLibrary(m_module);
        Base::TearDown();
    }

    // A certificate context of its own (in a store of its own).
    static PCCERT_CONTEXT contextOf(const testkit::pki::Credential& credential) {
        const auto& der = credential.certificate.der();
        return CertCreateCertificateContext(X509_ASN_ENCODING, der.data(), static_cast<DWORD>(der.size()));
    }
    static HCERTSTORE memoryStoreWith(std::initializer_list<const testkit::pki::Credential*> credentials) {
        HCERTSTORE store = CertOpenStore(CERT_STORE_PROV_MEMORY, 0, 0, 0, nullptr);
        for (const auto* credential : credentials) add(store, *credential);
        return store;
    }
    static HCERTSTORE userStore(const char* name) {
        return CertOpenStore(CERT_STORE_PROV_SYSTEM_A, 0, 0, CERT_SYSTEM_STORE_CURRENT_USER, name);
    }
    static void add(HCERTSTORE store, const testkit::pki::Credential& credential) {
        const auto& der = credential.certificate.der();
        ASSERT_TRUE(CertAddEncodedCertificateToStore(store, X509_ASN_ENCODING, der.data(),
                                                     static_cast<DWORD>(der.size()), CERT_STORE_ADD_ALWAYS, nullptr));
    }
    static std::size_t countOf(HCERTSTORE store) {
        std::size_t count = 0;
        for (PCCERT_CONTEXT c = nullptr; (c = CertEnumCertificatesInStore(store, c));) ++count;
        return count;
    }

    PFN_CryptUIDlgSelectCertificateW selectW = nullptr;
    PFN_CryptUIDlgSelectCertificateA selectA = nullptr;
    PFN_CryptUIDlgViewCertificateW viewW = nullptr;
    PFN_CryptUIDlgViewCertificateA viewA = nullptr;
    PFN_CryptUIStartCertMgr startCertMgr = nullptr;

private:
    template <class Function>
    Function bind(const char* name) {
        auto* found = reinterpret_cast<Function>(GetProcAddress(m_module, name));
        EXPECT_NE(nullptr, found) << name;
        return found;
    }

    testkit::PlatformRoot m_root;
    const ScopedEnv m_modules{"PLATFORM_MODULE_PATH", TESK_CRYPTUI_DIR};
    HMODULE m_module = nullptr;
};

using DialogsFixture = DialogsOn<::testing::Test>;

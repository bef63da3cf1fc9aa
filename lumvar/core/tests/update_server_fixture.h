// The update server of the integration tests: testkit's server over HTTPS
// with a small tree, its hierarchy's root in the user's "Root" store, and a
// Config that names it.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "lumvar/config.h"
#include "lumvar/log_writer.h"
#include "lumvar/server_error.h"
#include "testkit/pki.h"
#include "testkit/platform_root.h"
#include "testkit/process.h"
#include "testkit/update_server.h"
#include "win32/crypt_store.h"

namespace lumvar::testing {

using testkit::UpdateLocation;

inline const testkit::pki::Hierarchy& hierarchy() {
    static const testkit::pki::Hierarchy made = testkit::pki::Hierarchy::make();
    return made;
}

inline std::string allBytes() {
    std::string bytes;
    for (int i = 0; i < 256; ++i) bytes += static_cast<char>(i);
    return bytes;
}

inline testkit::UpdateTree sampleTree() {
    return {"2.1.0",
            {{UpdateLocation::Program, "conf", true}},
            {{UpdateLocation::Program, "složka/čtení.txt", "abc", false},
             {UpdateLocation::System, "tesk.dll", allBytes(), false},
             {UpdateLocation::SystemCom, "com/tesk_com.dll", "", false}}};
}

class UpdateServerTest : public ::testing::Test {
protected:
    explicit UpdateServerTest(testkit::UpdateTree tree = sampleTree()) : m_server{hierarchy(), std::move(tree)} {}

    void SetUp() override {
        TESTKIT_REQUIRE_PROGRAM("xmllint");
        const auto& der = hierarchy().root.certificate.der();
        HCERTSTORE root = CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_CURRENT_USER, u"Root");
        ASSERT_TRUE(CertAddEncodedCertificateToStore(root, X509_ASN_ENCODING, der.data(), static_cast<DWORD>(der.size()),
                                                     CERT_STORE_ADD_ALWAYS, nullptr));
        CertCloseStore(root, 0);
        m_config.setClientApp("halvex");
        m_config.setDistroID("7");
        m_config.setAddress(m_server.url());
        m_config.setAgentName(u"Lumvar test");
        m_config.setRelaxNGPath(LUMVAR_RELAXNG_DIR);
        log::setLevel(3);
        log::clear();
        ClearLastServerError();
    }

    testkit::PlatformRoot m_root;
    testkit::UpdateServer m_server;
    Config m_config;
};

}  // namespace lumvar::testing

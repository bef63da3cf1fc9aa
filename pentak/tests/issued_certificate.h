// The certification authority's side of an enrolment, by openssl: a
// certificate issued by a testkit CA from the session's PKCS#10 request,
// and a PKCS#7 of certificates. Shared by the tests of the session, the
// token and the COM object.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "testkit/pki.h"
#include "testkit/platform_root.h"
#include "testkit/process.h"
#include "win32/types.h"

namespace pentak_test {

// `openssl x509 -req` over the DER request, signed by the CA with that
// serial number and naming the CA's key identifier, as CAs do; the DER
// certificate.
inline std::vector<BYTE> issueFromRequest(const testkit::PlatformRoot& machine, const std::vector<BYTE>& request,
                                          const testkit::pki::Credential& ca, const std::string& serial) {
    ca.write(machine.path(), "issuer");
    machine.write("request.der", std::string(request.begin(), request.end()));
    machine.write("issued.ext", "authorityKeyIdentifier=keyid\n");
    const auto issued = testkit::run({"openssl", "x509", "-req", "-inform", "DER", "-in", "request.der", "-CA",
                                      "issuer.pem", "-CAkey", "issuer.key", "-set_serial", serial, "-days", "30",
                                      "-extfile", "issued.ext", "-outform", "DER", "-out", "issued.der"},
                                     machine.path());
    EXPECT_EQ(0, issued.exitCode) << issued.err;
    const std::string der = machine.read("issued.der");
    return {der.begin(), der.end()};
}

// `openssl crl2pkcs7` of the PEM certificates, in that order; DER.
inline std::vector<BYTE> pkcs7Of(const testkit::PlatformRoot& machine, const std::vector<std::string>& pems) {
    std::vector<std::string> argv = {"openssl", "crl2pkcs7", "-nocrl", "-outform", "DER", "-out", "chain.p7b"};
    for (std::size_t i = 0; i < pems.size(); ++i) {
        const std::string name = "chain" + std::to_string(i) + ".pem";
        machine.write(name, pems[i]);
        argv.insert(argv.end(), {"-certfile", name});
    }
    const auto made = testkit::run(argv, machine.path());
    EXPECT_EQ(0, made.exitCode) << made.err;
    const std::string der = machine.read("chain.p7b");
    return {der.begin(), der.end()};
}

}  // namespace pentak_test

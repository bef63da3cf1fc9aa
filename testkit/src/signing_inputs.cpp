#include "testkit/signing_inputs.h"

#include <chrono>
#include <string>

#include "testkit/platform_root.h"
#include "testkit/policy.h"
#include "testkit/trusted_list.h"
#include "testkit/user_stores.h"

namespace testkit {

namespace {

HttpReply crlReply(const pki::Crl& crl) { return HttpReply{.body = std::string(crl.der().begin(), crl.der().end())}; }

}  // namespace

void writeQualifiedSigningInputs(const pki::Hierarchy& made, HttpServer& crls,
                                 const std::filesystem::path& pluginFolder) {
    namespace list = trusted_list;
    crls.route("/root.crl", crlReply(pki::CrlBuilder(made.root).build()));
    crls.route("/standard-ca.crl", crlReply(pki::CrlBuilder(made.standardCa).build()));
    crls.route("/qualified-ca.crl", crlReply(pki::CrlBuilder(made.qualifiedCa).build()));
    addToUserStore(u"Root", made.root.certificate);
    addToUserStore(u"CA", made.qualifiedCa.certificate);
    addToUserStore(u"CA", made.standardCa.certificate);
    policy::SignaturePolicy policy;
    policy.signerTrust = {made.root.certificate};
    policy.issuerUri = "http://policies.tesk.example/qes.der";
    const Bytes policyDer = policy::encode(policy);
    writeFile(pluginFolder / "policyQES_1.der", std::string(policyDer.begin(), policyDer.end()));
    const std::string from = list::stamp(pki::fromNow(-std::chrono::hours(24)));
    const std::string later = list::stamp(pki::fromNow(std::chrono::hours(24 * 365)));
    const std::string text = list::listText({
        {"/l/signaturePolicy_" + from + ".der", policyDer, pki::Hash::Sha1, later, {{"OID", policy.oid}}},
        {"/l/trustedCertificate_" + from + ".der", made.root.certificate.der(), pki::Hash::Sha1, later,
         {{"OID", "1.2.3"}}},
    });
    list::writeContainer(pluginFolder / "TrustedList.kyd", list::signCms(text, made.commercial), from);
}

}  // namespace testkit

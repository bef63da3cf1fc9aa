// CRLs signed by a made CA.
#include <utility>

#include "pki_extensions.h"

namespace testkit::pki {

using namespace detail;

namespace {

using namespace std::chrono_literals;

using CrlPtr = Owned<X509_CRL, X509_CRL_free>;
using RevokedPtr = Owned<X509_REVOKED, X509_REVOKED_free>;
using Enumerated = Owned<ASN1_ENUMERATED, ASN1_ENUMERATED_free>;

constexpr std::string_view kCrlNumber = "2.5.29.20";

RevokedPtr revokedEntry(const Bytes& serial, std::optional<RevocationReason> reason, ASN1_TIME* when) {
    RevokedPtr entry(require(X509_REVOKED_new(), "X509_REVOKED_new"));
    require(X509_REVOKED_set_serialNumber(entry.get(), asn1Integer(serial).get()) == 1,
            "X509_REVOKED_set_serialNumber");
    require(X509_REVOKED_set_revocationDate(entry.get(), when) == 1, "X509_REVOKED_set_revocationDate");
    if (reason) {
        Enumerated code(require(ASN1_ENUMERATED_new(), "ASN1_ENUMERATED_new"));
        require(ASN1_ENUMERATED_set(code.get(), static_cast<long>(*reason)) == 1, "ASN1_ENUMERATED_set");
        require(X509_REVOKED_add1_ext_i2d(entry.get(), NID_crl_reason, code.get(), 0, 0) == 1,
                "X509_REVOKED_add1_ext_i2d");
    }
    return entry;
}

}  // namespace

std::string Crl::pem() const { return pemOf("X509 CRL", m_der); }

CrlBuilder::CrlBuilder(const Credential& issuer)
    : m_issuer(issuer), m_thisUpdate(fromNow(-1h)), m_nextUpdate(fromNow(24h * 7)) {}

CrlBuilder& CrlBuilder::revoke(Bytes serial, std::optional<RevocationReason> reason) {
    m_entries.push_back({std::move(serial), reason});
    return *this;
}

CrlBuilder& CrlBuilder::thisUpdate(Instant when) {
    m_thisUpdate = when;
    return *this;
}

CrlBuilder& CrlBuilder::nextUpdate(Instant when) {
    m_nextUpdate = when;
    return *this;
}

CrlBuilder& CrlBuilder::hash(Hash hash) {
    m_hash = hash;
    return *this;
}

Crl CrlBuilder::build() const {
    const Cert issuer = toOpenssl(m_issuer.certificate);
    const PKey issuerKey = toOpenssl(m_issuer.key);
    const AsnTime thisUpdate = asn1Time(m_thisUpdate);

    CrlPtr crl(require(X509_CRL_new(), "X509_CRL_new"));
    require(X509_CRL_set_version(crl.get(), X509_CRL_VERSION_2) == 1, "X509_CRL_set_version");
    require(X509_CRL_set_issuer_name(crl.get(), X509_get_subject_name(issuer.get())) == 1,
            "X509_CRL_set_issuer_name");
    require(X509_CRL_set1_lastUpdate(crl.get(), thisUpdate.get()) == 1, "X509_CRL_set1_lastUpdate");
    require(X509_CRL_set1_nextUpdate(crl.get(), asn1Time(m_nextUpdate).get()) == 1, "X509_CRL_set1_nextUpdate");
    for (const auto& entry : m_entries) {
        RevokedPtr revoked = revokedEntry(entry.serial, entry.reason, thisUpdate.get());
        require(X509_CRL_add0_revoked(crl.get(), revoked.get()) == 1, "X509_CRL_add0_revoked");
        revoked.release();
    }
    const Extension number{std::string(kCrlNumber), false, derOf(i2d_ASN1_INTEGER, asn1Integer({1}).get())};
    for (const auto& extension : {authorityKeyIdExtension(keyIdOf(issuer.get())), number})
        require(X509_CRL_add_ext(crl.get(), toOpenssl(extension).get(), -1) == 1, "X509_CRL_add_ext");
    require(X509_CRL_sort(crl.get()) == 1, "X509_CRL_sort");
    require(X509_CRL_sign(crl.get(), issuerKey.get(), digestOf(m_hash)) > 0, "X509_CRL_sign");
    return Crl(derOf(i2d_X509_CRL, crl.get()));
}

}  // namespace testkit::pki

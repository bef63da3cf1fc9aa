// PEM lists of certificates (one PEM certificate after another, line breaks
// not significant) as certificate contexts.
#pragma once

#include <string>
#include <vector>

#include "common/owned_context.h"

// Appends a context for every piece of the text that decodes to a
// certificate, in order; pieces that do not (damaged ones, the empty rest
// after the last armour line) are skipped. An empty text adds nothing.
void PemToCertificates(const std::u16string& text, std::vector<OwnedCertContext>& out);

// The CA certificates that a caller's CA list text allows as issuers. An
// empty text allows every issuer. A text that was given allows only the
// certificates read from it: none at all when nothing in it could be read,
// so that a damaged list never lifts the restriction.
class CaRestriction {
public:
    static CaRestriction FromPem(const std::u16string& text);

    bool Restricts() const noexcept { return m_restricts; }
    const std::vector<OwnedCertContext>& Certificates() const noexcept { return m_certificates; }

private:
    bool m_restricts = false;
    std::vector<OwnedCertContext> m_certificates;
};

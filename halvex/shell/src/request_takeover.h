// The renewal requests built from the certificates they renew: the
// certificate's subject (after the program's subject rules), alternative
// names, key usage, key length and provider taken over into a request.
#pragma once

#include <string>

#include "halvex/cert_info.h"
#include "halvex/request_model.h"

namespace halvex {

// Request 1's kind word for the qualified certificate: a Parvel pair's, the
// authority family's or a plain qualified one, as a renewal, of a lawyer
// card's pair when asked.
DWORD QualifiedRenewalKind(const CertInfo& qualified, bool pairRequested, bool lawyerPair);

// The request takes over the certificate with the kind: the kind's
// defaults, the key usage of the certificate's key-usage byte, its PEM, its
// key length (normalised), its subject (subject rules applied) and
// alternative names filtered for the kind, its key's provider, and whether
// its subject carries an identifier.
void TakeOverQualified(TCertRequest& request, const CertInfo& certificate, DWORD kind);

// The same for the commercial certificate of a pair, with every key usage
// and strong protection; an e-mail address from the certificate when the
// request has none.
void TakeOverCommercial(TCertRequest& request, const CertInfo& certificate, DWORD kind);

// The authentication certificate's request (kind 0x802, every key usage,
// strong protection) with a subject made from the qualified certificate's:
// "AUT <given name> <surname>", the identifier serial number (tidied as
// the qualified request's), the organisation (not a MANDANT one) and the
// country; the provider of the qualified certificate's key.
void BuildAuthenticationRequest(TCertRequest& request, const CertInfo& qualified);

// The value of the first attribute of that OID in the certificate's
// subject; empty when none.
std::u16string SubjectValue(const CertInfo& certificate, std::u16string_view oid);

// Given name and surname copied from `from`'s subject into `to`'s when `to`
// has neither and `from` has both.
void CopyMissingNames(CertInfo& to, const CertInfo& from);

}  // namespace halvex

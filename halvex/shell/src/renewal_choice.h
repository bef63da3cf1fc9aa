// What the renewal road knows besides its three requests: the user's
// certificates as the certificate page lists them, the certificates the
// requests renew, and the choices made on the certificate and data pages.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "halvex/cert_info.h"

namespace halvex {

struct RenewalChoice {
    // Every time-valid certificate of the user's "MY" store, and those of
    // them that can be renewed (qualified); the certificate page lists the
    // second and its entries carry indexes into it.
    std::vector<CertInfo> allCertificates;
    std::vector<CertInfo> renewable;
    // The certificate each request renews (the qualified one, the paired
    // commercial one, and for the authentication request the qualified one).
    std::array<CertInfo, 3> certificates;
    // A Parvel pair was chosen: its commercial certificate is renewed too.
    bool pairRequested = false;
    // A lawyer card's qualified certificate with its commercial partner.
    bool lawyerPair = false;
    // An authentication certificate is requested besides.
    bool authenticationToo = false;
    // The user asked to change the key usage (the certificate page's second
    // choice); the data page then offers the usage.
    bool changeKeyUsage = false;
    // What the certificate page's "Heslo znovu" holds, kept apart from the
    // revocation password so that a reload of the page shows each field as
    // it was typed.
    std::u16string passwordRepeat;
};

// An entry's index as the certificate page gives it: decimal digits only;
// nothing for any other text.
std::optional<std::size_t> ParseEntryIndex(std::string_view text);

// The index in `all` of the same certificate (equal DER); -1 when absent.
int IndexOfCertificate(const std::vector<CertInfo>& all, const CertInfo& certificate);

// The index in `all` of the commercial partner of a Parvel pair's
// qualified certificate: the same pair number, another serial number, no
// QcCompliance. -1 when it has no pair number or no partner.
int IndexOfPairPartner(const std::vector<CertInfo>& all, const CertInfo& qualified);

// The commercial certificates of a card among `all`: the card number equal,
// no QcCompliance.
std::vector<CertInfo> CardCommercialCertificates(const std::vector<CertInfo>& all, const std::u16string& cardNumber);

// The text the certificate page shows beside a certificate's name.
std::u16string CertificateDescription(const CertInfo& certificate);

}  // namespace halvex

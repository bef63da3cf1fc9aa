// The certificates a user brings to the renewal program's wizard: one of
// each kind the wizard tells apart, in the user's "MY" store of the test's
// platform root, each with its key in a container of the software provider
// named after it. Policies are those of the authority's production
// environment (the default without a profile).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "testkit/pki.h"
#include "testkit/platform_root.h"

namespace testkit {

// Two of the authority's production policies besides the qualified one
// (pki::kQualifiedPolicy): that of its lawyer cards (type 6) and one more of
// its family.
inline constexpr std::string_view kProductionType6Policy = "1.3.158.36061701.1.1.6";
inline constexpr std::string_view kProductionFamilyPolicy = "1.3.158.36061701.1.1.2";

struct WizardCertificate {
    std::string commonName;  // also the name of its key's container (UTF-8)
    Bytes der;
};

struct WizardCertificates {
    // Qualified policy, QcCompliance, digital signature and non-repudiation.
    WizardCertificate qualified;
    // The same, and a policy of the authority's family.
    WizardCertificate authorityFamily;
    // A Parvel pair: a qualified and a commercial certificate (no
    // QcCompliance) carrying the same pair number in the authority's
    // extension.
    WizardCertificate parvelQualified;
    WizardCertificate parvelCommercial;
    std::string pairNumber;
    // A lawyer card: a qualified certificate of the type 6 policy and two
    // commercial certificates, all with the card number as their comment.
    WizardCertificate lawyer;
    std::vector<WizardCertificate> lawyerCommercial;
    std::string cardNumber;
    // Qualified in every other respect, but non-repudiation only.
    WizardCertificate noDigitalSignature;
    // Qualified, ended yesterday.
    WizardCertificate expired;

    // Issues the set from the hierarchy's qualified and standard CAs and
    // adds it to the user's "MY" store.
    static WizardCertificates install(const PlatformRoot& root, const pki::Hierarchy& hierarchy);
};

}  // namespace testkit

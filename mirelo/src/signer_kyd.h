// TSignerKyd: the signer of the COM object SignerKyd. It names itself
// "Mirelo", keeps its remembered and trusted certificates under
// HKCU\Software\Tesk\mirelo, and has a reset of its own that the object's
// Reset member runs in place of TSigner's: it puts back only the signing
// defaults of the object (certificate selection 25, format options 15:
// policy and other input files in DER) and reloads the
// certificates, keeping the log, the errors, the provider, the digest
// algorithm and the other settings.
#pragma once

#include "signer.h"

// sgCertValid + sgCertQualifiedOnly + sgCertSSCDOnly.
inline constexpr LONG kKydCertSelection = 25;
// Input files in DER, output without Base64, detached, signing time.
inline constexpr LONG kKydFormatOptions = 15;

class TSignerKyd : public TSigner {
public:
    TSignerKyd();
    ~TSignerKyd() override;

    // partial false is the full form, which also reloads the remembered and
    // trusted certificates. The shared provider list is emptied when no
    // other signer lives, so that a new or reset object never takes away
    // the providers another one configured. Always true.
    bool Reset(bool partial) override;
};

// SignJob: one signing operation as its caller describes it, from the
// confirmation the user gives to the message the signer makes.
#pragma once

#include <string>
#include <vector>

#include "win32/crypt_types.h"
#include "win32/types.h"

// SignJob::operation bits.
inline constexpr DWORD kSignWithAuthenticationCert = 1;  // also suppresses the confirmation dialog
inline constexpr DWORD kSignWithSignatureCert = 2;
inline constexpr DWORD kEncryptForRecipient = 8;

// SignJob::signOptions bits (the signer's format options word).
inline constexpr DWORD kOptionBinaryOutput = 2;
inline constexpr DWORD kOptionDetached = 4;
inline constexpr DWORD kOptionSigningTime = 8;
inline constexpr DWORD kOptionNoConfirmation = 0x10;  // no dialog and no question
inline constexpr DWORD kOptionSigningCert = 0x20;
inline constexpr DWORD kOptionSigningCertV2 = 0x40;

// SignJob::signFlags bits (sgSignFlags).
inline constexpr DWORD kSignUnderPolicy = 1;
inline constexpr DWORD kSignWithTimeStamp = 2;

// One document of the job as the confirmation shows it.
struct SignJobDocument {
    std::string name;  // its path
    std::vector<BYTE> bytes;
    ALG_ID hashAlgorithm = 0;  // of the digest last shown
    std::string hashText;      // that digest as shown
};

struct SignJob {
    DWORD confirmed = 0;  // 1 once the user has agreed
    DWORD operation = 0;
    // Certificates that travel besides the policy's demand: 0 none, 1 the
    // signer's, 2 the signer's and the sender's key-exchange certificate,
    // 3 the signer's with its chain, 4 the chain and the key-exchange one.
    DWORD certInclusion = 0;
    DWORD signOptions = 0;
    DWORD signFlags = 0;
    DWORD listMode = 0;  // nonzero: the confirmation lists the documents
    std::vector<SignJobDocument> documents;
    std::string issuerFilter;  // issuer DN the signing certificate is chosen under
    LONG analysisResult = 0;   // the document plug-in's verdict
    LONG pluginId = 0;         // the plug-in of the document's type
};

// The question put when a signer's chain ends in a root that no one trusts
// yet. The signing component asks the user, showing the root's name and
// SHA-1 thumbprint; without a question of its own the chain's verdict
// stands.
#pragma once

#include <functional>

#include "common/cert_info.h"

// Answers besides 0 (the root is trusted for this verification).
inline constexpr DWORD kRootRefused = 11;    // "User did not want to complete the cryptographic action."
inline constexpr DWORD kRootCancelled = 12;  // "User cancelled the cryptographic action."
// The default answer: the chain's own number for an untrusted root.
inline constexpr DWORD kRootUntrusted = 1007;

// Gets the root's record; its answer becomes the signer's number.
using UntrustedRootQuestion = std::function<DWORD(const CertInfo& root)>;

// Puts the question in place for the whole process (null: the default,
// which answers kRootUntrusted) and gives back the one it replaces.
UntrustedRootQuestion SetUntrustedRootQuestion(UntrustedRootQuestion question);
// The answer of the question in place.
DWORD AskUntrustedRoot(const CertInfo& root);

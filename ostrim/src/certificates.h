// The authority's certificates that Ostrim installs, each one wide string on
// one line in PEM armour. The source is made at build time
// (cmake/embed_certificates.cmake).
#pragma once

namespace ostrim {

// Self-signed root of the national certification authority.
extern const char16_t kRootCertificate[];
// The authority's two qualified CAs, issued under the root.
extern const char16_t kOlderCaCertificate[];
extern const char16_t kNewerCaCertificate[];

}  // namespace ostrim

#include "der_certificate.h"

#include "openssl_types.h"
#include "platform/win_error.h"

namespace platform::crypt::provider {

namespace {

constexpr std::size_t kMaxCertificate = 1 << 24;

}  // namespace

View certificateAt(const BYTE* pb) {
    if (!pb) throw WinError(ERROR_INVALID_PARAMETER, "no certificate");
    if (pb[0] != 0x30) throw WinError(NTE_BAD_DATA, "a certificate is a SEQUENCE");
    std::size_t header = 2;
    std::size_t length = pb[1];
    if (length & 0x80) {
        const std::size_t octets = length & 0x7F;
        if (octets == 0 || octets > 3) throw WinError(NTE_BAD_DATA, "certificate length");
        length = 0;
        for (std::size_t i = 0; i < octets; ++i) length = length << 8 | pb[2 + i];
        header += octets;
    }
    if (length > kMaxCertificate) throw WinError(NTE_BAD_DATA, "certificate too large");
    const View der(pb, header + length);
    const unsigned char* p = der.data();
    Certificate cert(d2i_X509(nullptr, &p, static_cast<long>(der.size())));
    if (!cert || p != der.data() + der.size()) throwOpenSsl(static_cast<DWORD>(NTE_BAD_DATA), "d2i_X509");
    return der;
}

}  // namespace platform::crypt::provider

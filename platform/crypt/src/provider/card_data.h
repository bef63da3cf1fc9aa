// Vendor parameters a card answers from its own data: public CKO_DATA
// objects on the token, read without a PIN (as a card shows its serial and
// profile to anyone; a private object counts as none).
//   provider parameter N: CKA_APPLICATION "Tesk provider parameter 0x<N>";
//   key parameter N of a container's key: CKA_APPLICATION
//     "Tesk key parameter 0x<N> of key spec <spec>" and CKA_LABEL the
//     container's name, the two parts of the key's CKA_ID (PKCS #11 data
//     objects carry no CKA_ID of their own).
// N is in lower-case hexadecimal without leading zeros (0x10000, 0x12).
// The object's CKA_VALUE is the parameter; the first object found counts.
// A value beyond 64 KiB is refused with NTE_BAD_DATA, unread.
#pragma once

#include <optional>
#include <string>

#include "p11_session.h"
#include "win32/types.h"

namespace platform::crypt::provider {

std::optional<p11::Bytes> providerCardData(p11::Session& session, DWORD param);
std::optional<p11::Bytes> keyCardData(p11::Session& session, const std::string& container, DWORD spec, DWORD param);

}  // namespace platform::crypt::provider

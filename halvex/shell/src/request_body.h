// What a renewal request leaves the program as: the body sent to the
// renewal server and written into a ".req" file, and the name a save
// proposes for it.
#pragma once

#include <string>

#include "win32/types.h"

namespace halvex {

// The signed container in Base64 lines inside the Tesk Kyd armour,
// followed by the PKCS#7 blocks of the further requests (empty ones left
// out), without separators.
std::string RequestBody(const std::string& container, const std::u16string& secondPkcs7,
                        const std::u16string& thirdPkcs7);

// "req_" + the request's time stamp + "_sak" for a lawyer-card pair that
// saves its second request too, "_parvel" for another pair that does,
// "_qc" otherwise.
std::u16string ProposedRequestName(const std::u16string& timeStamp, DWORD kind, bool withSecond);

}  // namespace halvex

// The steps the request builders share. Each failing step records its line
// (FailedAt) and returns false, the failing call's error staying the
// thread's last error. Every
// encoding is X.509 and PKCS#7, size first, then the bytes.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "enroll_report.h"
#include "win32/crypt_encode.h"

// The encoding of info as structType into out.
bool EncodeStep(LPCSTR structType, const void* info, std::vector<BYTE>& out, int sizeLine, int dataLine);
// An OCTET STRING of the bytes.
bool EncodeOctetStringStep(const std::vector<BYTE>& bytes, std::vector<BYTE>& out, int sizeLine, int dataLine);
// A SEQUENCE of the encoded elements, in their order.
bool EncodeSequenceStep(const std::vector<std::vector<BYTE>>& elements, std::vector<BYTE>& out, int sizeLine,
                        int dataLine);

// The DER OBJECT IDENTIFIER of the OID text, cut from an attribute encoded
// with it. False when the text is no OID; failedLine then names the step.
bool EncodeOidAlone(const std::string& oid, std::vector<BYTE>& out, int& failedLine);
// Whether the text is an OID an encoder takes (dotted decimal arcs, at least
// two, the first 0 to 2, no NUL); false with ERROR_INVALID_PARAMETER when it
// is not.
bool IsOidArgument(std::string_view oid);

// The one-part MIME message a container's document is signed and stored
// as, made from the document and read back into it.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "win32/types.h"

// The message bytes: "MIME-Version: 1.0", then the part's Content-Type
// (with charset UTF-8 when utf8), base64 transfer encoding and
// "Content-Disposition: filename=" with the file name of the path quoted
// (quotes and backslashes escaped), then the document in base64. 30 for an
// empty document or type; 9201 when a field cannot be set (a name with a
// line break); 6 when nothing was stored.
LONG BuildMimeMessage(const std::vector<BYTE>& document, const std::string& name, const std::string& type,
                      bool utf8, std::vector<BYTE>& out);
class CMimeMessage;

// A container's message entry as an entity; false when it does not parse,
// or when a header of it holds a line end other than CR LF: a message with
// bare LF line ends, whose header cannot be told from its body.
bool LoadDocumentMessage(const std::vector<BYTE>& bytes, CMimeMessage& message);
// The decoded body of the message's one part and its content type (without
// parameters); 9202 when the message cannot be loaded or has not exactly
// one part.
LONG ParseMimeDocument(const std::vector<BYTE>& message, std::vector<BYTE>& body, std::string& contentType);
// A Content-Type value up to its first ";", blanks trimmed at both ends.
std::string MediaTypeOf(std::string_view fieldValue);

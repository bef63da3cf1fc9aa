// The CMF container in which the certification authority hands out its CA
// certificates: a binary blob ("TSKCMF", a little-endian 32-bit length, a
// header area of that length, then the DER certificate), or Base64 text in
// armoured blocks, each holding a CMF blob or a certificate.
#pragma once

#include <string>
#include <vector>

#include "win32/types.h"

// Whether the bytes are a CMF blob; its certificate then replaces out's
// content. A blob of 7 to 10 bytes has no length field: its certificate is
// everything after the magic. A longer one needs a header that ends before
// the blob does. False leaves out as it was.
bool IsCmf(const std::vector<BYTE>& blob, std::vector<BYTE>& out);

// The text's blocks: each ends with the line (and its line break) that
// contains "-----END". Text after the last such line is dropped.
std::vector<std::u16string> CutCmfTextIntoBlocks(const std::u16string& text);

// The items of a text of armoured certificates: its blocks, or, when no
// line closes one, the whole text as one item (a bare Base64 text).
std::vector<std::u16string> SplitArmouredItems(const std::u16string& text);

// The DER certificates of a CMF text, one per item in order: an item
// holding "-----END CMF-----" decodes to a CMF blob, any other item to a
// certificate. False at the first item that does not decode or is no CMF
// blob; out is then left as it was.
bool CmfTextToCertificates(const std::u16string& text, std::vector<std::vector<BYTE>>& out);

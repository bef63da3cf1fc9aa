// The HTML the program writes into its pages: the key-usage and certificate
// tables of the data page, the summary's texts, the appendix's notes, the
// error text and a loaded request. Text that comes from outside (certificate
// fields, server replies, files, error texts) is escaped before it enters a
// fragment, so it shows literally and can never add markup, script or a
// command link to a page.
#pragma once

#include <string>
#include <string_view>

#include "halvex/request_model.h"

namespace halvex::pages {

// "&", "<", ">", "\"" and "'" as character references.
std::u16string EscapeHtml(std::u16string_view text);

// The error page's text: escaped, each "\r\n" or "\n" a line break.
std::u16string ErrorPageText(std::u16string_view text);

// A loaded request for review: escaped, each "\n" a line break.
std::u16string RequestReviewText(std::u16string_view text);

// The data page's key-usage table: one row per usage (non-repudiation,
// digital signature, key encipherment, data encipherment, key agreement)
// with its help link and "Ano" or "Ne" for the first request and, for a
// pair, a third column for the second request.
std::u16string KeyUsageTable(const TCertRequest& first, const TCertRequest* pairedSecond);

// The data page's certificate table: one row per subject attribute and per
// alternative name of the first request (an e-mail address in both listed
// once), its value, and for a pair the second request's value of the same
// attribute in a third column.
std::u16string CertificateTable(const TCertRequest& first, const TCertRequest* pairedSecond);

// A request's text in the summary: escaped, preformatted.
std::u16string SummaryRequestText(std::u16string_view text);

// The agreement on the applicant's documents; with an identifier to be
// added that the certificate does not carry yet, the consent to the
// extended name instead.
std::u16string SummaryAgreementPapers(const TCertRequest& first);

// The appendix after a send: the accepted request's number in bold; the
// link that sends again; the reason of a failed send.
std::u16string AppendixSentNote(std::u16string_view requestNumber);
std::u16string AppendixResendCommand();
std::u16string AppendixSendError(std::u16string_view errorText);

}  // namespace halvex::pages

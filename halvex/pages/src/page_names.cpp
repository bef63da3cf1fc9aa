#include "halvex/page_names.h"

#include <array>

namespace halvex::pages {
namespace {

using Names = std::u16string_view;

constexpr std::array<Names, 0> kNone{};

constexpr std::array<Names, 5> kHomeCommands{u"URL_REQ_RQC", u"URL_REQ_QC", u"URL_REQ_SC", u"URL_REQ_QD",
                                             u"URL_SELREQ"};

constexpr std::array<Names, 1> kSelectRequestIds{u"certrenewreq"};
constexpr std::array<Names, 2> kSelectRequestCommands{u"URL_SHOWFILEDIALOG", u"URL_LOAD_REQUEST"};

constexpr std::array<Names, 5> kSelectCertificateIds{u"MYCERT_LIST", u"ODB0", u"ODB1", u"RA_REVOKE_PASSWD",
                                                     u"RA_REVOKE_PASSWD2"};
constexpr std::array<Names, 1> kSelectCertificateFunctions{kAdd2CertList};
constexpr std::array<Names, 5> kSelectCertificateCommands{u"URL_GETRENEWCERT", u"URL_SHOWRENEWCERT_",
                                                          u"URL_ONCHANGE_RENEWCERT_", u"URL_HELP_CHANGE_USAGE",
                                                          u"URL_HELP_REVOKE_PASSWD"};

constexpr std::array<Names, 22> kDataIds{
    u"RA_TITLE_SC",      u"RA_KEYLENHASH_QC",        u"RA_KEYLENHASH_SC",            u"RA_KEYLENHASH_SC_ID",
    u"RA_KEY_VALIDITY",  u"RA_KEY_VALIDITY_SC_ID",   u"RA_TEMPL_KEY_VALIDITYLEN_QC", u"RA_TEMPL_KEY_VALIDITYLEN_SC",
    u"RA_TEMPL_CSP_LIST", u"ZIP1",                   u"ZIP0",                        u"RA_FORM_NAMES",
    u"RA_NAME",          u"RA_SURNAME",              u"RA_NORMKEYSET_B",             u"RA_KEY_USAGE",
    u"RA_KEY_USAGE_SPAN", u"RA_CERT_GOV_USAGE_INPUT", u"RA_GOVSK_CERT",              u"RA_TYPEID",
    u"RA_NUMID",         u"RA_TEMPLATE_HTML"};
constexpr std::array<Names, 3> kDataFunctions{kRemoveSelectOption, kSetCountry, kToggleVisibility};
constexpr std::array<Names, 6> kDataCommands{u"URL_DATACHECK", u"URL_HELP_CSP_LIST",   u"URL_HELP_KEY_USAGE",
                                             u"URL_HELP_NAME", u"URL_HELP_GOVSK_CERT", u"URL_ONCHANGE_KEYUSAGE"};

constexpr std::array<Names, 7> kSummaryIds{u"RA_REQUEST_QC",          u"RA_REQUEST_SC",         u"RA_REQUEST_ASC",
                                           u"RA_REQUEST_SC_ROW",      u"RA_REQUEST_ASC_ROW",    u"RA_REQ_AGREEMENT_SSCD",
                                           u"RA_REQ_AGREEMENT_PAPERS"};
constexpr std::array<Names, 2> kSummaryCommands{u"URL_SIGNRENEWCERT_SAVE", u"URL_SIGNRENEWCERT_SEND"};

constexpr std::array<Names, 1> kReviewIds{u"RA_REQUEST"};
constexpr std::array<Names, 1> kReviewCommands{u"URL_REQUEST_SEND"};

constexpr std::array<Names, 8> kAppendixIds{u"REQ_CERTTYPE_B",  u"RA_REQ_CERTTYPE",     u"SUMMARY_SEND_COMMAND",
                                            u"REQ_SEND_B",      u"REQ_NOTE_SEND",       u"REQ_NOTE_SEND_ERROR",
                                            u"REQ_SAVE_B",      u"REQ_FNAME"};
constexpr std::array<Names, 2> kAppendixCommands{u"URL_APP_EXIT", u"URL_APP_GOHOME"};

constexpr std::array<Names, 1> kErrorIds{u"RA_ERR_MSG_ID"};

constexpr std::array<PageContent, 8> kPages{{
    {kHome, kNone, kNone, kHomeCommands},
    {kSelectRequest, kSelectRequestIds, kNone, kSelectRequestCommands},
    {kSelectCertificate, kSelectCertificateIds, kSelectCertificateFunctions, kSelectCertificateCommands},
    {kData, kDataIds, kDataFunctions, kDataCommands},
    {kSummary, kSummaryIds, kNone, kSummaryCommands},
    {kReview, kReviewIds, kNone, kReviewCommands},
    {kAppendix, kAppendixIds, kNone, kAppendixCommands},
    {kError, kErrorIds, kNone, kNone},
}};

constexpr std::array<Names, 3> kSupport{u"common.js", u"halvex.css", u"help.gif"};

}  // namespace

std::span<const PageContent> PageContents() { return kPages; }

std::span<const std::u16string_view> SupportFiles() { return kSupport; }

}  // namespace halvex::pages

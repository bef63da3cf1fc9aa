// The wizard's pages as the program speaks to them: page names, the ids of
// the elements it fills and reads, the page functions it calls and the
// command keys the pages navigate to. The pages themselves (html/) are
// embedded into the program with tesk_add_resources and HALVEX_PAGES.
#pragma once

#include <span>
#include <string_view>

namespace halvex::pages {

// Pages, resources of type HTML in language 1029.
inline constexpr std::u16string_view kHome = u"home.htm";
inline constexpr std::u16string_view kSelectRequest = u"selrequest.htm";
inline constexpr std::u16string_view kSelectCertificate = u"selcert_renew.htm";
inline constexpr std::u16string_view kData = u"data_renew.htm";
inline constexpr std::u16string_view kSummary = u"summary_renew.htm";
inline constexpr std::u16string_view kReview = u"sendcert_review.htm";
inline constexpr std::u16string_view kAppendix = u"appendix.htm";
inline constexpr std::u16string_view kError = u"err_page.htm";
inline constexpr unsigned short kPageLanguage = 1029;

// Page functions (common.js).
inline constexpr std::u16string_view kAdd2CertList = u"Add2CertList";
inline constexpr std::u16string_view kRemoveSelectOption = u"RemoveSelectOption";
inline constexpr std::u16string_view kSetCountry = u"SetCountry";
inline constexpr std::u16string_view kToggleVisibility = u"toggle_visibility";

// Class names the program adds and removes.
inline constexpr std::u16string_view kHiddenClass = u"hidden_item";
inline constexpr std::u16string_view kMandatoryClass = u"mandatory";
inline constexpr std::u16string_view kOptionalClass = u"optional";

// What one page holds for the program.
struct PageContent {
    std::u16string_view page;
    std::span<const std::u16string_view> ids;        // elements the program reads or writes
    std::span<const std::u16string_view> functions;  // page functions the program calls
    std::span<const std::u16string_view> commands;   // command keys the page navigates to
};

// Every page of the wizard with what the program expects in it.
std::span<const PageContent> PageContents();

// The resources beside the pages, loaded by relative reference.
std::span<const std::u16string_view> SupportFiles();

}  // namespace halvex::pages

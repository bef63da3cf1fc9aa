// The wizard's certificate and data pages filled from the program ("set")
// and read back into it ("get"), and the page functions the program calls
// on them, played for a view that runs no page script.
#pragma once

#include <string>

#include "halvex/request_model.h"
#include "platform/html_view.h"
#include "renewal_choice.h"

namespace halvex {

// selcert_renew.htm. "set": an entry per renewable certificate ("(Q) " or,
// for a Parvel pair, "(P) " before its name), the key-usage choice, the
// requests' revocation password and its repetition, each as it was typed.
// "get": the chosen entry's position in the all-certificates list into the
// first request (its partner's into the second, and pairRequested, for a
// Parvel pair), the key-usage choice, the revocation password into the
// requests and its repetition into the choice. False when no page is shown.
bool SyncCertList(platform::ui::HtmlView& page, RenewalChoice& choice, TCertRequest& first, TCertRequest& second,
                  bool toPage);

// data_renew.htm: the key parameters (the request's own key length among
// the choices), the send form, the names (asked for when the certificate
// lacks them), the key usage, the public-administration option when the
// request offers it, and the certificate and key-usage tables; "get" reads
// the choices back.
bool SyncDataRenew(platform::ui::HtmlView& page, RenewalChoice& choice, TCertRequest& first, TCertRequest& second,
                   bool toPage);

// Class-name edits: "hidden_item" added once or removed; "mandatory" in
// place of "optional" or added.
void ShowItem(platform::ui::HtmlView& page, const std::string& id, bool hide);
void SetMandatory(platform::ui::HtmlView& page, const std::string& id);

// Stand-ins for Add2CertList, RemoveSelectOption and SetCountry, doing on
// the page's tree what the page's own functions do.
void DefinePageFunctions(platform::ui::HtmlView& page);

}  // namespace halvex

#include "signing_dialog_templates.h"

#include <mutex>

#include "modal_dialog.h"
#include "platform/dialog_templates.h"
#include "win32/ui.h"

namespace {

using platform::ui::ControlKind;
using platform::ui::DialogTemplate;

constexpr std::uint32_t kReadOnlyText = ES_READONLY | ES_MULTILINE | WS_VSCROLL;

// TSignEncDlg: the message (one document's text, or the list of documents
// in the same place), its digest, the certificate lines with their "..."
// choosers (the signing certificate's subject in four lines, as in the
// container confirmation), the question and the buttons.
DialogTemplate SignEncTemplate() {
    return {205, 367, 254, "MS Sans Serif", 8, "Potvrzení",
            {{IDYES, ControlKind::DefaultButton, "Ano", 196, 234, 50, 14, WS_TABSTOP},
             {IDNO, ControlKind::Button, "Ne", 253, 234, 50, 14, WS_TABSTOP},
             {IDCANCEL, ControlKind::Button, "Storno", 310, 234, 50, 14, WS_TABSTOP},
             {216, ControlKind::Static, "Zpráva:", 7, 7, 200, 8},
             {217, ControlKind::Static, "Signer", 210, 7, 150, 8, SS_RIGHT},
             {225, ControlKind::RichEdit, "", 7, 18, 353, 68, kReadOnlyText | WS_BORDER},
             {228, ControlKind::ListBox, "", 7, 18, 353, 68, WS_VSCROLL | WS_BORDER | WS_TABSTOP},
             {237, ControlKind::Button, "&Zobrazit soubor", 280, 89, 80, 14, WS_TABSTOP},
             {210, ControlKind::GroupBox, "HASH (miniatura)", 7, 105, 353, 30},
             {212, ControlKind::RichEdit, "", 14, 116, 339, 14, ES_READONLY},
             {218, ControlKind::Static, "Podepíšete certifikátem", 7, 140, 300, 8},
             {224, ControlKind::Static, "DN podpis", 7, 150, 328, 32},
             {221, ControlKind::Button, "...", 340, 150, 20, 12, WS_TABSTOP},
             {238, ControlKind::Static, "Obnovit certifikát", 7, 182, 353, 8},
             {219, ControlKind::Static, "Připojíte Váš šifrovací certifikát", 7, 193, 300, 8},
             {226, ControlKind::Static, "Static", 7, 203, 328, 8},
             {222, ControlKind::Button, "...", 340, 202, 20, 12, WS_TABSTOP},
             {220, ControlKind::Static, "Zašifrujete certifikátem příjemce", 7, 213, 300, 8},
             {227, ControlKind::Static, "Static", 7, 222, 328, 8},
             {223, ControlKind::Button, "...", 340, 221, 20, 12, WS_TABSTOP},
             {213, ControlKind::Static, "Přejete si tuto akci provést?", 7, 237, 185, 8}}};
}

// TMimeEncDlg: the MIME text and OK.
DialogTemplate MimeEncTemplate() {
    return {200, 350, 250, "MS Sans Serif", 8, "MIME kódování dokumentu",
            {{IDOK, ControlKind::DefaultButton, "OK", 150, 229, 50, 14, WS_TABSTOP},
             {254, ControlKind::RichEdit, "", 7, 7, 336, 216, kReadOnlyText | WS_HSCROLL | WS_BORDER}}};
}

// TSelectCharsetDlg: the prompt, the charset names, OK and Cancel.
DialogTemplate SelectCharsetTemplate() {
    return {202, 250, 65, "MS Sans Serif", 8, "Znaková sada podepisovaného dokumentu",
            {{IDOK, ControlKind::DefaultButton, "OK", 136, 44, 50, 14, WS_TABSTOP},
             {IDCANCEL, ControlKind::Button, "Storno", 193, 44, 50, 14, WS_TABSTOP},
             {255, ControlKind::Static, "Vyberte znakovou sadu, kterou používá podepisovaný dokument.", 7, 7, 236, 8},
             {256, ControlKind::DropDownList, "", 7, 21, 236, 60, WS_VSCROLL | WS_TABSTOP}}};
}

// TSignEncKydDlg: the document with its check and agreement box, its
// digest, the signing certificate, the policy with its agreement box, the
// question and the buttons. A click on the path opens the document, one on
// the certificate line shows the certificate, one on the policy line the
// policy; a long path keeps its file name whole. The signing certificate's
// subject has four lines: a qualified certificate's names with titles, an
// office and its department, an identifier and an address run to some 350
// characters.
DialogTemplate SignEncKydTemplate() {
    return {206, 367, 270, "MS Sans Serif", 8, "Potvrzení",
            {{IDYES, ControlKind::DefaultButton, "Ano", 253, 250, 50, 14, WS_TABSTOP},
             {IDNO, ControlKind::Button, "Ne", 310, 250, 50, 14, WS_TABSTOP},
             {240, ControlKind::Static, "Dokument:", 7, 7, 200, 8},
             {217, ControlKind::Static, "Signer", 210, 7, 150, 8, SS_RIGHT},
             {251, ControlKind::GroupBox, "", 7, 16, 353, 66},
             {246, ControlKind::CheckBox, "Souhlasím s podepisovaným obsahem dokumentu", 14, 24, 250, 10, WS_TABSTOP},
             {248, ControlKind::Static, "Umístění a název souboru podepisovaného dokumentu:", 14, 37, 250, 8},
             {247, ControlKind::Static, "PATH soubor", 14, 46, 339, 8, SS_NOTIFY | SS_PATHELLIPSIS},
             {249, ControlKind::Static, "Stav kontroly sémantiky:", 14, 57, 90, 8},
             {250, ControlKind::Static, "STATE dokument", 106, 57, 150, 8},
             {241, ControlKind::Button, "Kódování MIME", 14, 66, 80, 13, WS_TABSTOP},
             {242, ControlKind::Button, "&Zobrazit dokument", 273, 66, 80, 13, WS_TABSTOP},
             {210, ControlKind::GroupBox, "HASH (miniatura)", 7, 85, 353, 30},
             {212, ControlKind::RichEdit, "", 14, 96, 339, 14, ES_READONLY},
             {218, ControlKind::Static, "Podepíšete certifikátem", 7, 119, 300, 8},
             {224, ControlKind::Static, "DN podpis", 7, 129, 328, 32, SS_NOTIFY},
             {221, ControlKind::Button, "...", 340, 129, 20, 12, WS_TABSTOP},
             {238, ControlKind::Static, "Obnovit certifikát", 7, 162, 353, 8},
             {243, ControlKind::GroupBox, "", 7, 172, 353, 74},
             {244, ControlKind::CheckBox, "Souhlasím s podpisovou politikou", 14, 180, 250, 10, WS_TABSTOP},
             {245, ControlKind::Static, "DN politika", 14, 192, 339, 8, SS_NOTIFY},
             {258, ControlKind::Static, "Identifikátor (OID)", 14, 203, 90, 8},
             {257, ControlKind::Edit, "", 106, 202, 247, 12, ES_READONLY | WS_BORDER},
             {259, ControlKind::Edit, "", 14, 217, 339, 26, ES_READONLY | ES_MULTILINE | WS_VSCROLL | WS_BORDER},
             {213, ControlKind::Static, "Přejete si vytvořit podpis dokumentu s výše uvedenými atributy?", 7, 253,
              240, 8}}};
}

// TSignPolicyDlg: the policy tree and OK.
DialogTemplate SignPolicyTemplate() {
    return {214, 374, 252, "MS Shell Dlg", 8, "Obsah podpisové politiky",
            {{239, ControlKind::TreeView, "", 7, 7, 363, 219,
              WS_BORDER | WS_TABSTOP | TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT},
             {IDOK, ControlKind::DefaultButton, "OK", 162, 229, 50, 14, WS_TABSTOP}}};
}

}  // namespace

void DeclareSigningDialogTemplates() {
    static std::once_flag declared;
    std::call_once(declared, [] {
        platform::ui::declareDialogTemplate(TModalDialog::ModuleInstance(), MimeEncTemplate());
        platform::ui::declareDialogTemplate(TModalDialog::ModuleInstance(), SelectCharsetTemplate());
        platform::ui::declareDialogTemplate(TModalDialog::ModuleInstance(), SignEncTemplate());
        platform::ui::declareDialogTemplate(TModalDialog::ModuleInstance(), SignEncKydTemplate());
        platform::ui::declareDialogTemplate(TModalDialog::ModuleInstance(), SignPolicyTemplate());
    });
}

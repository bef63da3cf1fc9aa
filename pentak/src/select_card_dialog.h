// The choice among the smart cards that could serve a request, shown when
// more than one is inserted.
#pragma once

#include <string>
#include <vector>

#include "win32/dialogs.h"

// A card in a reader, with the provider that serves it.
struct SmartCardOffer {
    std::u16string reader;
    std::u16string card;
    std::u16string provider;
};

class TSelectCardDlg {
public:
    explicit TSelectCardDlg(std::vector<SmartCardOffer> cards);

    // Runs the library's dialog template 206 over parent: a list of the
    // cards (reader, card name, provider), the first one selected and the
    // keyboard on the list, OK disabled when there is none, in the current
    // GUI language; once shown, the dialog comes to the front. IDOK when
    // OK takes the selected card, IDOK as well when the window is closed
    // (then without a card), IDCANCEL for Cancel or Escape; -1 with the
    // last error set when the dialog cannot be shown.
    int DoModal(HWND parent);
    // The index of the card OK took in this run; -1 without one.
    int GetSelected() const { return m_selected; }

private:
    friend struct LibraryDialog;
    void OnInitDialog(HWND dialog);
    // Whether the message was handled.
    bool OnMessage(HWND dialog, UINT message, WPARAM wParam);

    std::vector<SmartCardOffer> m_cards;
    int m_selected = -1;
};

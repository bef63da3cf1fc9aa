#include "select_card_dialog.h"

#include "dialog_support.h"
#include "platform/ui.h"
#include "win32/ui.h"

namespace {

constexpr int kCancelLabel = 0;
constexpr int kTitle = 15;
constexpr int kListLabel = 16;
constexpr int kReaderColumn = 17;
constexpr int kCardColumn = 18;
constexpr int kProviderColumn = 19;

}  // namespace

TSelectCardDlg::TSelectCardDlg(std::vector<SmartCardOffer> cards) : m_cards(std::move(cards)) {}

int TSelectCardDlg::DoModal(HWND) {
    using platform::text::toUtf8;
    m_selected = -1;
    platform::ui::CertificateChoiceRequest request;
    request.title = DialogText(kTitle);
    request.prompt = DialogText(kListLabel);
    request.columns = {DialogText(kReaderColumn), DialogText(kCardColumn), DialogText(kProviderColumn)};
    request.columnShares = {0.5, 0.25, 0.24};
    for (const auto& card : m_cards)
        request.rows.push_back({toUtf8(card.reader), toUtf8(card.card), toUtf8(card.provider)});
    request.cancelLabel = DialogText(kCancelLabel);
    return RunDialog([&] {
        const auto choice = platform::ui::backend().chooseRow(request);
        if (choice.end == platform::ui::ChoiceEnd::Cancelled) return IDCANCEL;
        if (choice.end == platform::ui::ChoiceEnd::Chosen) m_selected = static_cast<int>(choice.row);
        return IDOK;
    });
}

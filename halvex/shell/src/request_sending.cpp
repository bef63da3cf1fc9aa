#include "request_sending.h"

#include <cerrno>
#include <ctime>
#include <exception>
#include <filesystem>

#include "halvex/app_data.h"
#include "halvex/files_and_paths.h"
#include "halvex/log.h"
#include "halvex/messages.h"
#include "halvex/page_names.h"
#include "halvex/renew_client.h"
#include "halvex/renew_xml.h"
#include "halvex/resource_strings.h"
#include "page_sync_appendix.h"
#include "platform/paths.h"
#include "platform/text.h"
#include "platform/win_error.h"
#include "request_body.h"
#include "request_signing.h"
#include "win32/commdlg.h"
#include "win32/error.h"
#include "win32/ui.h"
#include "working_files.h"

namespace halvex {
namespace {

namespace fs = std::filesystem;
using platform::text::fromUtf8;
using platform::text::toUtf8;

constexpr UINT kFilterWithPkcs7 = 33077;
constexpr UINT kFilterContainerOnly = 33075;
constexpr UINT kBusySigning = 33104;
constexpr int kErrorSaveFailed = 4003;
constexpr int kErrorRequestFailed = 4016;
constexpr UINT kForbiddenCharacters = 33139;
// The heading the revocation password is typed under.
constexpr char16_t kPasswordCaption[] = u"Heslo pro zneplatnění";
constexpr std::size_t kMaxPath = 1024;
constexpr int kNameAttempts = 16;
// A saved request is a container and a few blocks: far below this.
constexpr std::uintmax_t kMaxRequestFile = 16u << 20;

std::u16string LocalTimeStamp() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y%m%d%H%M%S", &local);
    return fromUtf8(text);
}

// "name|pattern|...||" as the dialog's list of NUL-separated pairs.
std::u16string DialogFilter(UINT id) {
    std::u16string filter = LoadResString(id);
    while (filter.ends_with(u"||")) filter.pop_back();
    for (char16_t& c : filter)
        if (c == u'|') c = u'\0';
    filter += u'\0';
    return filter;
}

// Writes the bytes beside the file and then puts them in its place, so a
// failed write leaves what was there before. The file carries the
// revocation password, so it is made for its owner alone whatever the
// umask allows.
bool ReplaceFile(const fs::path& file, const std::string& bytes) {
    const fs::path folder = file.parent_path().empty() ? fs::path(".") : file.parent_path();
    fs::path temporary;
    for (int attempt = 0; attempt < kNameAttempts && temporary.empty(); ++attempt) {
        const fs::path candidate = folder / ("." + file.filename().string() + "." + WorkingFiles::RandomName());
        if (CreateExclusive(candidate, kOwnerOnly)) temporary = candidate;
    }
    // A failure leaves the system's cause as the thread's last error.
    const auto failed = [&](int cause) {
        std::error_code ignored;
        if (!temporary.empty()) fs::remove(temporary, ignored);
        SetLastError(platform::win32CodeOfErrno(cause));
        return false;
    };
    if (temporary.empty()) return failed(errno);
    if (!WriteWholeFile(temporary, bytes)) return failed(errno);
    std::error_code error;
    fs::rename(temporary, file, error);
    return !error || failed(error.value());
}

// A request whose document cannot be written: a revocation password typed
// with characters a document cannot carry is named, so that it can be
// typed again; anything else comes from the certificate and fails the
// request as a whole.
void ShowUnwritableRequest(const std::array<TCertRequest, 3>& requests) {
    for (const TCertRequest& request : requests) {
        if (!IsXmlText(request.challengePassword)) {
            AppMessageBox(FormatResString(kForbiddenCharacters, kPasswordCaption), MB_ICONEXCLAMATION | MB_OK);
            return;
        }
    }
    ErrorBox(u"", kErrorRequestFailed, false, false);
}

}  // namespace

bool RequestOutbox::IsPair() const {
    return (m_parts.requests[0].kind & (kKindParvelPair | kKindLawyerCardPair)) != 0;
}

// The authentication request takes part when the key step made its PKCS#10.
bool RequestOutbox::HasAuthenticationRequest() const { return !m_parts.requests[2].requestText.empty(); }

bool RequestOutbox::SignAll() {
    TCertRequest& first = m_parts.requests[0];
    TCertRequest& second = m_parts.requests[1];
    TCertRequest& third = m_parts.requests[2];
    const bool pair = IsPair();
    const bool authentication = HasAuthenticationRequest();
    if (!BuildRequestXml(first, false) || (pair && !BuildRequestXml(second, true)) ||
        (authentication && !BuildRequestXml(third, true))) {
        TLogFile::GetInstance().Print(u"OnURL_SignRenewCert(): a request document cannot be written");
        ShowUnwritableRequest(m_parts.requests);
        return false;
    }
    std::string container;
    std::u16string secondPkcs7, thirdPkcs7;
    if (!SignRequest(m_parts.signer, first.certificate.pem, first.xmlDocument, container)) return false;
    if (pair && !SignRequestPkcs7(m_parts.pentak(), secondPkcs7, second.certificate.pem, second.xmlDocument,
                                  second.GetHashAlgorithm()))
        return false;
    if (authentication && !SignRequestPkcs7(m_parts.pentak(), thirdPkcs7, first.certificate.pem,
                                            third.xmlDocument, third.GetHashAlgorithm()))
        return false;
    m_outcome = RequestOutcome();
    m_outcome.container = std::move(container);
    m_outcome.secondPkcs7 = std::move(secondPkcs7);
    m_outcome.thirdPkcs7 = std::move(thirdPkcs7);
    return true;
}

void RequestOutbox::OnURL_SignRenewCert(bool save) {
    m_parts.busy.ShowBusy(kBusySigning);
    const bool signedAll = SignAll();
    m_parts.busy.HideBusy();
    if (!signedAll) return;
    const std::u16string stamp = LocalTimeStamp();
    for (TCertRequest& request : m_parts.requests) request.requestTimeStamp = stamp;
    if (save)
        OnURL_RequestSave();
    else
        OnURL_RequestSend();
}

std::string RequestOutbox::Body() const {
    if (m_outcome.loadedFromFile) return m_outcome.loadedBody;
    if (m_outcome.container.empty()) return {};
    return RequestBody(m_outcome.container, m_outcome.secondPkcs7, m_outcome.thirdPkcs7);
}

void RequestOutbox::OnURL_RequestSend() {
    const std::string body = Body();
    if (body.empty()) {
        TLogFile::GetInstance().Print(u"OnURL_RequestSend(): no request to send");
        return;
    }
    try {
        RequestPoster poster(toUtf8(TAppData::Instance().GetServerUrl()));
        poster.HttpsPost(body);
        const std::vector<IssuedRequest> issued = ParseRenewResponse(poster.Reply());
        m_outcome.requestNumber = issued.empty() ? u"No request number returned" : fromUtf8(issued.front().number);
        m_outcome.sendState = SendState::Sent;
    } catch (const std::exception& error) {
        m_outcome.requestNumber = fromUtf8(error.what());
        m_outcome.sendState = SendState::Failed;
    }
    TLogFile::GetInstance().Print(u"OnURL_RequestSend(): %s", m_outcome.requestNumber.c_str());
    m_parts.view.Go2Res(true, std::u16string(pages::kAppendix));
}

void RequestOutbox::OnURL_RequestSave() {
    if (CreateRequestFile()) m_parts.view.Go2Res(true, std::u16string(pages::kAppendix));
}

bool RequestOutbox::CreateRequestFile() {
    TLog& log = TLogFile::GetInstance();
    const std::string body = Body();
    if (body.empty()) {
        log.Print(u"OnURL_CreateRequest(): no request to save");
        return false;
    }
    log.Print(u"OnURL_CreateRequest(): filedlg to get a fname");
    const TCertRequest& first = m_parts.requests[0];
    const bool withSecond = !m_outcome.secondPkcs7.empty();
    const std::u16string filter = DialogFilter(withSecond ? kFilterWithPkcs7 : kFilterContainerOnly);
    const std::u16string proposed = !first.saveFileName.empty()
                                        ? first.saveFileName
                                        : ProposedRequestName(first.requestTimeStamp, first.kind, withSecond);
    std::u16string file(kMaxPath, u'\0');
    proposed.copy(file.data(), std::min(proposed.size(), kMaxPath - 1));
    // A name chosen on the load page brings its folder; any other starts
    // in the user's Documents.
    const std::u16string documents = GetDocumentsFolder();
    OPENFILENAMEW ofn{};
    ofn.lpstrInitialDir = documents.empty() ? nullptr : documents.c_str();
    ofn.lStructSize = sizeof ofn;
    ofn.lpstrFilter = filter.c_str();
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = file.data();
    ofn.nMaxFile = static_cast<DWORD>(kMaxPath);
    ofn.lpstrDefExt = u"req";
    ofn.Flags = OFN_OVERWRITEPROMPT | OFN_EXPLORER | OFN_ENABLESIZING;
    if (!GetSaveFileNameW(&ofn)) return false;
    file.resize(std::char_traits<char16_t>::length(file.c_str()));

    log.Print(u"OnURL_CreateRequest(): save to fname '%s'", file.c_str());
    if (!ReplaceFile(platform::paths::fromWindows(file), body)) {
        ErrorBox(u"", kErrorSaveFailed, true, false);
        return false;
    }
    m_outcome.saved = true;
    m_outcome.savedFile = file;
    m_lastRequestFile = file;
    return true;
}

void RequestOutbox::OnURL_LoadRequest() {
    HalvexView& view = m_parts.view;
    const std::u16string path = fromUtf8(view.Html().value("certrenewreq").value_or(""));
    std::string bytes;
    if (path.empty() || !ReadWholeFile(platform::paths::fromWindows(path), bytes, kMaxRequestFile)) {
        ErrorBox(LoadResString(kStringReadFailed), 0, false, false);
        return;
    }
    if (bytes.find("-----BEGIN PKCS7-----") != std::string::npos) m_parts.requests[0].kind |= kKindParvelPair;
    m_outcome = RequestOutcome();
    m_outcome.loadedFromFile = true;
    m_outcome.loadedBody = std::move(bytes);
    view.SkipNextRead();
    view.Go2Res(true, std::u16string(pages::kReview));
}

bool RequestOutbox::SyncPage(const std::string& page, bool) {
    if (page == toUtf8(pages::kAppendix)) return SyncAppendix(m_parts.view.Html(), m_parts.requests[0], m_outcome);
    if (page == toUtf8(pages::kReview)) return SyncRequestField(m_parts.view.Html(), m_outcome);
    return false;
}

}  // namespace halvex

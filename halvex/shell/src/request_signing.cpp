#include "request_signing.h"

#include <array>
#include <cstdio>
#include <utility>

#include "common/cryptoapi.h"
#include "halvex/bstr.h"
#include "halvex/log.h"
#include "halvex/messages.h"
#include "halvex/mirelo_signer.h"
#include "halvex/resource_strings.h"
#include "pentak_lib.h"
#include "platform/paths.h"
#include "platform/text.h"
#include "request_key_params.h"
#include "win32/com.h"
#include "working_files.h"

namespace halvex {
namespace {

using platform::text::fromUtf8;
using platform::text::toUtf8;

constexpr UINT kWriteFailed = 33169;
constexpr UINT kFileChanged = 33198;
constexpr int kErrorSignPkcs7 = 4015;
constexpr int kErrorAlgorithm = 4051;
// No document or container a renewal produces comes near this.
constexpr std::uintmax_t kMaxWorkingFile = 16u << 20;

void ShowSigningError(const std::u16string& detail) { ErrorBox(u"Error:\n" + detail, 0, false, false); }

// The enrolment object's description of its last failure, else the status.
std::u16string FailureText(HRESULT status) {
    const std::u16string description = ThreadErrorDescription();
    if (!description.empty()) return description;
    char hex[16];
    std::snprintf(hex, sizeof hex, "0x%08X", static_cast<unsigned>(status));
    return fromUtf8(hex);
}

}  // namespace

bool SignRequest(Mirelo& signer, const std::u16string& certificatePem, const std::u16string& xml,
                 std::string& container, const std::function<void(const std::filesystem::path&)>& written) {
    TLogFile::GetInstance().Print(u"SignRequest():");
    const WorkingFiles files;
    const std::string document = toUtf8(xml);
    if (!files.Created() || !WriteWholeFile(files.Text(), document)) {
        ShowSigningError(LoadResString(kWriteFailed));
        return false;
    }
    if (written) written(files.Text());
    // A file that grew is changed too, unless it grew past all bounds.
    std::string readBack;
    if (!ReadWholeFile(files.Text(), readBack, kMaxWorkingFile)) {
        ShowSigningError(LoadResString(kWriteFailed));
        return false;
    }
    if (readBack != document) {
        ShowSigningError(LoadResString(kFileChanged));
        return false;
    }
    try {
        if (!signer.Sign_Kyd(platform::paths::toWide(files.Text()), platform::paths::toWide(files.Container()),
                             certificatePem))
            return false;
    } catch (const MireloError& error) {
        ShowSigningError(error.description().empty() ? std::u16string(u"get_LastErrorStr: failed")
                                                     : error.description());
        return false;
    }
    std::string signedBytes;
    if (!ReadWholeFile(files.Container(), signedBytes, kMaxWorkingFile) || signedBytes.empty()) {
        ShowSigningError(LoadResString(kStringReadFailed));
        return false;
    }
    container = std::move(signedBytes);
    return true;
}

std::u16string HashOfSignatureAlgorithm(const std::u16string& signatureOid) {
    static constexpr std::array<std::pair<std::u16string_view, std::u16string_view>, 5> kHashes = {{
        {u"1.3.14.3.2.29", u"1.3.14.3.2.26"},
        {u"1.2.840.113549.1.1.5", u"1.3.14.3.2.26"},
        {u"1.2.840.113549.1.1.11", u"2.16.840.1.101.3.4.2.1"},
        {u"1.2.840.113549.1.1.12", u"2.16.840.1.101.3.4.2.2"},
        {u"1.2.840.113549.1.1.13", u"2.16.840.1.101.3.4.2.3"},
    }};
    for (const auto& [signature, hash] : kHashes)
        if (signature == signatureOid) return std::u16string(hash);
    return {};
}

bool SignRequestPkcs7(IPentak* pentak, std::u16string& pem, const std::u16string& certificatePem,
                      const std::u16string& message, const std::u16string& signatureOid) {
    TLog& log = TLogFile::GetInstance();
    log.Print(u"SignRequest():Sign(): sign start");
    if (!pentak) {
        ErrorBox(u"", kErrorSignPkcs7, false, false);
        return false;
    }
    pentak->Reset();
    HRESULT status = pentak->put_SignCert(MakeBstr(certificatePem).get());
    BSTR providerText = nullptr;
    const std::u16string provider =
        SUCCEEDED(pentak->get_ProviderName(&providerText)) ? TakeBstr(providerText) : std::u16string();

    log.Print(u"SignRequest():SetSignatureAlgorithmOid(%s)", signatureOid.c_str());
    const std::u16string hash = HashOfSignatureAlgorithm(signatureOid);
    const HRESULT hashStatus = hash.empty() ? E_INVALIDARG : pentak->SetHashAlgorithmOid(MakeBstr(hash).get());
    if (FAILED(hashStatus)) {
        log.Print(u"SignRequest():SetSignatureAlgorithmOid(%s): error %s", signatureOid.c_str(),
                  FailureText(hashStatus).c_str());
        const std::u16string name = TCryptoapi::GetOidName(signatureOid);
        ErrorBox(FormatErrorMessage(kErrorAlgorithm, false, (name.empty() ? signatureOid : name).c_str(),
                                    provider.c_str()),
                 0, false, false);
        return false;
    }

    // A success status without a signed message is no signature either.
    BSTR signedText = nullptr;
    if (SUCCEEDED(status)) status = pentak->Sign(MakeBstr(certificatePem).get(), MakeBstr(message).get(), &signedText);
    const std::u16string base64 = TakeBstr(signedText);
    if (FAILED(status) || base64.empty()) {
        log.Print(u"SignRequest():Sign(): error %s", FailureText(FAILED(status) ? status : E_FAIL).c_str());
        // The signing key's provider names the failure, as for the keys.
        const int shown =
            FAILED(status) ? MapCspError(provider, ProviderError(status), kErrorSignPkcs7) : kErrorSignPkcs7;
        ErrorBox(u"", shown, false, false);
        return false;
    }
    log.Print(u"SignRequest():Sign(): done");
    pem = u"-----BEGIN PKCS7-----\n" + base64;
    if (pem.back() != u'\n') pem += u'\n';
    pem += u"-----END PKCS7-----\n";
    return true;
}

}  // namespace halvex

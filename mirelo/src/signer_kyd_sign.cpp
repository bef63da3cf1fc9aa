// Signing a document into a container: the document converted and checked
// by the plug-in of its type, wrapped into a one-part MIME message,
// confirmed, signed, and written with its signature and policy. The
// container is written beside its path and moved onto it only when every
// step succeeded, so a failure leaves what was there before.
#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <strings.h>
#include <vector>

#include "common/files.h"
#include "common/log.h"
#include "kyd/file_kyd.h"
#include "kyd_document_message.h"
#include "plugin_manager.h"
#include "signer_errors.h"
#include "signer_kyd.h"
#include "signer_services.h"
#include "win32/error.h"

namespace {

constexpr LONG kFileOverwrite = 1;
constexpr LONG kConfirmationNoChangeSign = 1;
constexpr DWORD kOperationFixedSigner = 0x40;

using kyd_plugin::CallArg;

CallArg Arg(const void* pointer) { return reinterpret_cast<CallArg>(pointer); }

// A text field of a plug-in's record, which need not be terminated.
std::string FieldText(const char* field, std::size_t size) { return std::string(field, strnlen(field, size)); }

bool SameType(const std::string& a, const std::string& b) { return strcasecmp(a.c_str(), b.c_str()) == 0; }

// What the current plug-in's transformation delivers.
struct PluginOutput {
    std::string type;
    std::string extension;
    bool utf8 = false;
};

bool OutputOf(LONG pluginId, PluginOutput& out) {
    const PluginRecord* record = PluginManager::Instance().FindById(static_cast<DWORD>(pluginId));
    if (!record || !record->Loaded()) return false;
    out.type = FieldText(record->info.output.type, sizeof record->info.output.type);
    out.extension = FieldText(record->info.output.extension, sizeof record->info.output.extension);
    out.utf8 = record->info.output.utf8 != 0;
    return true;
}

// Ends the plug-in's document (command 2) when the step ends, whatever its
// outcome; the plug-in then releases its output.
class PluginDocumentEnd {
public:
    explicit PluginDocumentEnd(LONG pluginId) : m_pluginId(pluginId) {}
    ~PluginDocumentEnd() { PluginManager::Instance().CallOne(static_cast<DWORD>(m_pluginId), kyd_plugin::kClear, 0, 0, 0); }
    PluginDocumentEnd(const PluginDocumentEnd&) = delete;
    PluginDocumentEnd& operator=(const PluginDocumentEnd&) = delete;

private:
    LONG m_pluginId;
};

// A container being written: dropped unless committed.
class ContainerWriter {
public:
    // Dropping the changes keeps the cause of the failure that ended them.
    ~ContainerWriter() {
        LastErrorKeeper keep;
        if (m_open) file.Close(true);
    }
    int Open(const std::string& path, int mode) {
        const int result = file.Open(path, mode);
        m_open = result == 0;
        return result;
    }
    int Commit() {
        m_open = false;
        return file.Close(false);
    }
    TFileKyd file;

private:
    bool m_open = false;
};

// The step's number; an exception inside it is 6.
LONG Guarded(const std::function<LONG()>& step) {
    try {
        return step();
    } catch (...) {
        return kErrInternal;
    }
}

int AddEach(TFileKyd& file, const std::vector<std::string>& paths) {
    for (const std::string& path : paths)
        if (const int result = file.AddOtherFile(path)) return result;
    return 0;
}

// Whether the container holds a policy entry equal to the bytes.
bool HoldsPolicy(TFileKyd& file, const std::vector<BYTE>& policy) {
    const int count = file.GetPolicyCount();
    for (int n = 0; n < count; ++n) {
        std::vector<BYTE> stored;
        if (file.ReadPolicy(n, stored) == 0 && stored == policy) return true;
    }
    return false;
}

}  // namespace

bool TSignerKyd::TakePluginForType(const std::string& contentType) {
    DWORD id = 0;
    if (!PluginManager::Instance().FindForType(contentType, id)) return false;
    m_pluginId = static_cast<LONG>(id);
    return true;
}

DWORD TSignerKyd::SigningOperation() const {
    return (GetConfirmationDlgFlags() & kConfirmationNoChangeSign) ? (kSignWithSignatureCert | kOperationFixedSigner)
                                                                   : kSignWithSignatureCert;
}

bool TSignerKyd::SignFileToFile(const std::string& file, const std::string& kydFile, const std::string& contentType) {
    SIGNER_TRACE();
    LastErrorKeeper keep;
    Log(sgLogLevelDebug, "fname_in     : " + file);
    Log(sgLogLevelDebug, "fname_out    : " + kydFile);
    Log(sgLogLevelDebug, "content_type : " + contentType);
    return Record(Guarded([&]() -> LONG {
        if (file.empty() || kydFile.empty() || contentType.empty()) return kErrBadValue;
        if (!(GetFileFlags() & kFileOverwrite) && FileExists(kydFile.c_str())) return kErrFileExists;
        if (!TakePluginForType(contentType)) return kErrFormatNotSupported;
        m_additionalFiles.clear();
        std::vector<BYTE> message, signature;
        if (const LONG signedDocument = SignDocument(SigningOperation(), file, contentType, message, signature))
            return signedDocument;

        ContainerWriter container;
        if (const int result = container.Open(kydFile, TFileKyd::openCreate)) return result;
        if (const int result = message.empty() ? container.file.AddDocumentFile(file) : container.file.AddMessage(message))
            return result;
        if (const int result = container.file.AddSignature(signature)) return result;
        if (IsSignPolicy())
            if (const int result = container.file.AddPolicy(m_signPolicy)) return result;
        if (const int result = AddEach(container.file, m_additionalFiles)) return result;
        return container.Commit();
    }));
}

bool TSignerKyd::SignAddSignerToFile(const std::string& kydFile) {
    SIGNER_TRACE();
    LastErrorKeeper keep;
    Log(sgLogLevelDebug, "fname_in     : " + kydFile);
    return Record(Guarded([&]() -> LONG {
        if (kydFile.empty()) return kErrBadValue;
        std::string contentType;
        if (!DocumentGetContentType(kydFile, contentType) || !TakePluginForType(contentType))
            return kErrFormatNotSupported;

        ContainerWriter container;
        if (const int result = container.Open(kydFile, TFileKyd::openUpdate)) return result;
        std::vector<BYTE> message;
        bool isMessage = false;
        if (const int result = container.file.ReadDocument(message, isMessage)) return result;
        if (!isMessage) return kErrNoMessage;

        m_additionalFiles.clear();
        std::vector<BYTE> signature;
        if (const LONG signedMessage = Sign(SigningOperation(), kydFile, message, signature)) return signedMessage;
        if (const int result = container.file.AddSignature(signature)) return result;
        if (IsSignPolicy() && !HoldsPolicy(container.file, m_signPolicy))
            if (const int result = container.file.AddPolicy(m_signPolicy)) return result;
        if (const int result = AddEach(container.file, m_additionalFiles)) return result;
        return container.Commit();
    }));
}

LONG TSignerKyd::SignDocument(DWORD operation, const std::string& file, const std::string& contentType,
                              std::vector<BYTE>& mimeOut, std::vector<BYTE>& signatureOut) {
    SIGNER_TRACE();
    const PluginDocumentEnd end(m_pluginId);
    if (file.empty() || contentType.empty()) return kErrBadValue;
    if (!IsTrustedList()) return kErrNoTrustedList;
    if (!IsSignPolicy()) return kErrNoPolicy;
    kyd_plugin::ByteVector document;
    if (!ReadFileToBuffer(file, document)) return kErrLoadingFile;

    const kyd_plugin::ByteVector* converted = nullptr;
    if (!PluginManager::Instance().CallOne(static_cast<DWORD>(m_pluginId), kyd_plugin::kTransform, Arg(&document),
                                           Arg(contentType.c_str()), Arg(&converted)) ||
        !converted)
        return kErrTransforming;
    document.clear();
    PluginOutput output;
    if (!OutputOf(m_pluginId, output)) return kErrTransforming;
    std::string name = file;
    if (!SameType(output.type, contentType)) name += "." + output.extension;
    if (const LONG built = BuildMimeMessage(*converted, name, output.type, output.utf8, mimeOut)) return built;
    // A message the container could not hold is refused before the user is
    // asked and anything is signed; the system has no cause to give.
    if (!TFileKyd::FitsEntry(mimeOut.size())) {
        SetLastError(ERROR_SUCCESS);
        return kydCompressFailed;
    }
    return Sign(operation, file, mimeOut, signatureOut);
}

LONG TSignerKyd::Sign(DWORD operation, const std::string& name, const std::vector<BYTE>& mimeMessage,
                      std::vector<BYTE>& signatureOut) {
    SIGNER_TRACE();
    const PluginDocumentEnd end(m_pluginId);
    if (name.empty() || mimeMessage.empty()) return kErrBadValue;
    if (!IsTrustedList()) return kErrNoTrustedList;
    if (!IsSignPolicy()) return kErrNoPolicy;

    SignJob job;
    job.operation = operation;
    job.certInclusion = 1;
    job.signOptions = static_cast<DWORD>(GetFormatOptions());
    job.signFlags = static_cast<DWORD>(GetSignFlags());
    job.documents.push_back(SignJobDocument{name, mimeMessage});
    job.pluginId = m_pluginId;

    kyd_plugin::ByteVector body;
    std::string type;
    if (const LONG parsed = ParseMimeDocument(mimeMessage, body, type)) return parsed;
    PluginOutput output;
    if (type.empty() || !OutputOf(m_pluginId, output) || !SameType(type, output.type)) return kErrFormatNotSupported;

    std::uint32_t verdict = kyd_plugin::kValid;
    const kyd_plugin::ReportText* report = nullptr;
    if (!PluginManager::Instance().CallOne(static_cast<DWORD>(m_pluginId), kyd_plugin::kSemanticCheck, Arg(&body),
                                           Arg(&verdict), Arg(&report))) {
        Log(sgLogLevelErrs, "Sign: analyze failed " + name);
        return kErrAnalyzing;
    }
    if (verdict == kyd_plugin::kNotValid) {
        if (report && !report->empty()) Log(sgLogLevelDebug, "Sign: analyze report:\r\n" + *report);
        return kErrIncorrectFormat;
    }
    job.analysisResult = static_cast<LONG>(verdict);

    if (const LONG confirmed = ConfirmSigning(job)) return confirmed;
    if (const DWORD made = SignData(job, mimeMessage, signatureOut)) {
        Log(sgLogLevelErrs, "Sign: crypt failed " + name);
        return static_cast<LONG>(made);
    }
    return 0;
}

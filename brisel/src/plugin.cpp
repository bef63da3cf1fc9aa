// The three entry points of the text plug-in: it describes itself to the
// signer, converts plain-text documents to UTF-8, checks that a document
// is UTF-8 and shows a document's preview.
#include <strings.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <span>
#include <string>

#include <kyd_plugin/kyd_plugin.h>

#include "code_pages.h"
#include "messages.h"
#include "platform/text.h"
#include "preview_window.h"
#include "text_conversion.h"
#include "wait_window.h"
#include "win32/ui.h"

namespace {

using kyd_plugin::ByteVector;
using kyd_plugin::CallArg;

constexpr char kPluginName[] = "Mirelo Txt Plugin";
constexpr char kVendor[] = "Orvanta, a.s.";
constexpr char kContentType[] = "text/plain";
constexpr std::uint32_t kInterfaceVersion = 1;
constexpr std::uint32_t kPluginVersion = 1;
// Not sent by the signer: shows what the plug-in does.
constexpr std::uint32_t kAbout = 1;

template <std::size_t N, std::size_t M>
void copyText(char (&field)[N], const char (&text)[M]) {
    static_assert(M <= N, "the text must fit its field with its NUL");
    std::memcpy(field, text, M);
}

kyd_plugin::MimeEntry plainText() {
    kyd_plugin::MimeEntry entry{};
    copyText(entry.type, kContentType);
    copyText(entry.extension, "txt");
    entry.utf8 = 1;  // the transformed text is UTF-8
    return entry;
}

// The accepted type; the host keeps its address.
const kyd_plugin::MimeEntry kPlainText = plainText();

// What the plug-in keeps between calls of one loading.
struct Document {
    brisel::CodePage codePage = brisel::CodePage::None;
    ByteVector output;  // the last transformation's; the host reads it in place
};

std::unique_ptr<Document> g_document;
brisel::Language g_language = brisel::Language::Czech;

const ByteVector* nonEmpty(CallArg arg) {
    const auto* bytes = reinterpret_cast<const ByteVector*>(arg);
    return bytes && !bytes->empty() ? bytes : nullptr;
}

int about() {
    const std::u16string text = platform::text::fromUtf8(brisel::messageText(brisel::Message::About, g_language));
    const std::u16string caption = platform::text::fromUtf8(kPluginName);
    MessageBoxW(nullptr, reinterpret_cast<LPCWSTR>(text.c_str()), reinterpret_cast<LPCWSTR>(caption.c_str()),
                MB_OK | MB_ICONINFORMATION);
    return 1;
}

// a: the document, b: its content type, c: receives the output's address.
int transform(Document& document, CallArg a, CallArg b, CallArg c) {
    const ByteVector* input = nonEmpty(a);
    const auto* contentType = reinterpret_cast<const char*>(b);
    auto* outputSlot = reinterpret_cast<const ByteVector**>(c);
    if (!input || !contentType || !outputSlot)
        return 0;
    if (strcasecmp(contentType, kContentType) != 0)
        return 0;
    document.output.clear();
    const brisel::WaitWindow wait(brisel::messageText(brisel::Message::Transforming, g_language));
    bool converted = true;
    if (document.codePage == brisel::CodePage::None)
        document.output = *input;
    else
        converted = brisel::convertToUtf8(*input, document.codePage, document.output);
    // Also after dropped bytes: the host may show what did convert.
    *outputSlot = &document.output;
    return converted ? 1 : 0;
}

// a: the decoded document, b: receives the CheckResult.
int checkSemantics(CallArg a, CallArg b) {
    const ByteVector* input = nonEmpty(a);
    auto* result = reinterpret_cast<std::uint32_t*>(b);
    if (!input || !result)
        return 0;
    const brisel::WaitWindow wait(brisel::messageText(brisel::Message::CheckingSemantics, g_language));
    *result = kyd_plugin::kNotValid;
    if (brisel::isUtf8(*input))
        *result = kyd_plugin::kValid;
    return 1;
}

// a: the document, UTF-8; 1 once its preview was shown and closed.
int preview(CallArg a) {
    const ByteVector* document = nonEmpty(a);
    return document && brisel::showPreview(*document, g_language) ? 1 : 0;
}

int setLanguage(CallArg a) {
    const auto* language = reinterpret_cast<const std::uint32_t*>(a);
    if (language && *language < brisel::kLanguageCount)
        g_language = static_cast<brisel::Language>(*language);
    return 1;
}

int setCodePage(Document& document, CallArg a) {
    const auto* codePage = reinterpret_cast<const std::uint32_t*>(a);
    if (!codePage)
        return 0;
    // Kept whatever it is: a value that names no code page fails every
    // later transformation.
    document.codePage = static_cast<brisel::CodePage>(*codePage);
    return 1;
}

int call(std::uint32_t command, CallArg a, CallArg b, CallArg c) {
    switch (command) {
    case kAbout:
        return about();
    case kyd_plugin::kSemanticCheck:
        return checkSemantics(a, b);
    case kyd_plugin::kPreview:
        return preview(a);
    case kyd_plugin::kLanguage:
        return setLanguage(a);
    default:
        break;
    }
    if (!g_document)
        return 0;  // not initialised
    switch (command) {
    case kyd_plugin::kClear:
        g_document->output.clear();
        return 1;
    case kyd_plugin::kTransform:
        return transform(*g_document, a, b, c);
    case kyd_plugin::kCodePage:
        return setCodePage(*g_document, a);
    default:
        return 0;
    }
}

}  // namespace

KYD_PLUGIN_EXPORT int KydPluginInit(const kyd_plugin::HostInfo* host, kyd_plugin::PluginInfo* info) {
    if (!host || !info)
        return 0;
    kyd_plugin::PluginInfo filled{};
    filled.interfaceVersion = kInterfaceVersion;
    filled.pluginVersion = kPluginVersion;
    copyText(filled.name, kPluginName);
    copyText(filled.vendor, kVendor);
    filled.types = &kPlainText;
    filled.typeCount = 1;
    filled.output = kPlainText;
    *info = filled;
    g_document.reset();
    g_document = std::unique_ptr<Document>(new (std::nothrow) Document);
    return g_document ? 1 : 0;
}

KYD_PLUGIN_EXPORT int KydPluginCall(std::uint32_t command, CallArg a, CallArg b, CallArg c) {
    try {
        return call(command, a, b, c);
    } catch (...) {
        return 0;  // nothing thrown leaves the plug-in
    }
}

KYD_PLUGIN_EXPORT int KydPluginExit(std::uint32_t, std::uint32_t) {
    g_language = brisel::Language::Czech;
    g_document.reset();
    return 1;
}

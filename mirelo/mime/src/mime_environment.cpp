// The process-wide settings and registries, filled on first use.
#include <map>
#include <mutex>

#include "mime/mime_body.h"
#include "mime/mime_environment.h"
#include "mime_text.h"

namespace {

struct NoCaseLess {
    bool operator()(const std::string& a, const std::string& b) const {
        return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
            return std::tolower(static_cast<unsigned char>(x)) < std::tolower(static_cast<unsigned char>(y));
        });
    }
};

template <class Maker>
using Registry = std::map<std::string, Maker, NoCaseLess>;

template <class Maker>
void Register(Registry<Maker>& registry, std::string_view name, Maker maker) {
    registry.erase(std::string(name));
    if (maker) registry.emplace(std::string(name), std::move(maker));
}

template <class Maker>
Maker Lookup(const Registry<Maker>& registry, std::string_view name) {
    const auto found = registry.find(std::string(name));
    return found == registry.end() ? Maker() : found->second;
}

struct Environment {
    std::mutex lock;
    std::string defaultCharset;
    bool folding = false;
    Registry<CMimeEnvironment::CoderMaker> coders;
    Registry<CMimeEnvironment::FieldCoderMaker> fieldCoders;
    Registry<CMimeEnvironment::BodyMaker> bodies;

    Environment() {
        using CoderMaker = CMimeEnvironment::CoderMaker;
        using FieldCoderMaker = CMimeEnvironment::FieldCoderMaker;
        Register<CoderMaker>(coders, "quoted-printable", [] { return std::make_unique<CMimeCodeQP>(true); });
        Register<CoderMaker>(coders, "base64", [] { return std::make_unique<CMimeCodeBase64>(true); });
        for (const char* name : {"Subject", "Comments", "Content-Description"})
            Register<FieldCoderMaker>(fieldCoders, name, [] { return std::make_unique<CFieldCodeText>(); });
        for (const char* name : {"From", "To", "Resent-To", "Cc", "Resent-Cc", "Bcc", "Resent-Bcc", "Reply-To",
                                 "Resent-Reply-To"})
            Register<FieldCoderMaker>(fieldCoders, name, [] { return std::make_unique<CFieldCodeAddress>(); });
        for (const char* name : {"Content-Type", "Content-Disposition"})
            Register<FieldCoderMaker>(fieldCoders, name, [] { return std::make_unique<CFieldCodeParameter>(); });
    }
};

Environment& TheEnvironment() {
    static Environment environment;
    return environment;
}

}  // namespace

void CMimeEnvironment::SetDefaultCharset(std::string_view charset) {
    Environment& environment = TheEnvironment();
    std::lock_guard guard(environment.lock);
    environment.defaultCharset = charset;
}

std::string CMimeEnvironment::GetDefaultCharset() {
    Environment& environment = TheEnvironment();
    std::lock_guard guard(environment.lock);
    return environment.defaultCharset;
}

void CMimeEnvironment::SetAutoFolding(bool on) {
    Environment& environment = TheEnvironment();
    std::lock_guard guard(environment.lock);
    environment.folding = on;
    CoderMaker folding;
    if (on) folding = [] { return std::make_unique<CMimeCode7bit>(); };
    Register(environment.coders, "7bit", folding);
    Register(environment.coders, "8bit", folding);
}

bool CMimeEnvironment::AutoFolding() {
    Environment& environment = TheEnvironment();
    std::lock_guard guard(environment.lock);
    return environment.folding;
}

namespace {

template <class Maker>
void RegisterIn(Registry<Maker> Environment::*registry, std::string_view name, Maker maker) {
    Environment& environment = TheEnvironment();
    std::lock_guard guard(environment.lock);
    Register(environment.*registry, name, std::move(maker));
}

// A new object of the maker registered under name, else a Fallback.
template <class Fallback, class Maker>
auto MakeFrom(Registry<Maker> Environment::*registry, std::string_view name) -> decltype(Maker()()) {
    Environment& environment = TheEnvironment();
    Maker maker;
    {
        std::lock_guard guard(environment.lock);
        maker = Lookup(environment.*registry, name);
    }
    if (maker) return maker();
    return std::make_unique<Fallback>();
}

}  // namespace

void CMimeEnvironment::RegisterCoder(std::string_view name, CoderMaker maker) {
    RegisterIn(&Environment::coders, name, std::move(maker));
}

void CMimeEnvironment::RegisterFieldCoder(std::string_view fieldName, FieldCoderMaker maker) {
    RegisterIn(&Environment::fieldCoders, fieldName, std::move(maker));
}

void CMimeEnvironment::RegisterBodyPart(std::string_view mediaType, BodyMaker maker) {
    RegisterIn(&Environment::bodies, mediaType, std::move(maker));
}

std::unique_ptr<CMimeCodeBase> CMimeEnvironment::CreateCoder(std::string_view name) {
    const std::string_view trimmed = mime_text::TrimBlanks(name);
    return MakeFrom<CMimeCodeBase>(&Environment::coders, trimmed.empty() ? std::string_view("7bit") : trimmed);
}

std::unique_ptr<CFieldCodeBase> CMimeEnvironment::CreateFieldCoder(std::string_view fieldName) {
    return MakeFrom<CFieldCodeBase>(&Environment::fieldCoders, fieldName);
}

std::unique_ptr<CMimeBody> CMimeEnvironment::CreateBodyPart(std::string_view mediaType) {
    return MakeFrom<CMimeBody>(&Environment::bodies, mediaType.empty() ? std::string_view("text") : mediaType);
}

// The library's process-wide settings and registries: the default charset
// of header fields, automatic line folding, content-transfer coders by name,
// field coders by field name and body-part makers by media type. Names are
// compared without case; registering a name replaces its entry, an empty
// maker removes it.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "mime/mime_coder.h"
#include "mime/mime_field_coder.h"

class CMimeBody;

class CMimeEnvironment {
public:
    using CoderMaker = std::function<std::unique_ptr<CMimeCodeBase>()>;
    using FieldCoderMaker = std::function<std::unique_ptr<CFieldCodeBase>()>;
    using BodyMaker = std::function<std::unique_ptr<CMimeBody>()>;

    static void SetDefaultCharset(std::string_view charset);
    static std::string GetDefaultCharset();
    // Off at start; switching it registers "7bit" and "8bit" as folding
    // coders (on) or removes them (off).
    static void SetAutoFolding(bool on);
    static bool AutoFolding();

    static void RegisterCoder(std::string_view name, CoderMaker maker);
    static void RegisterFieldCoder(std::string_view fieldName, FieldCoderMaker maker);
    static void RegisterBodyPart(std::string_view mediaType, BodyMaker maker);

    // The coder for a "Content-Transfer-Encoding" (empty is "7bit"); the
    // copying coder for a name without entry.
    static std::unique_ptr<CMimeCodeBase> CreateCoder(std::string_view name);
    static std::unique_ptr<CFieldCodeBase> CreateFieldCoder(std::string_view fieldName);
    // A part for a main media type (empty is "text"); a plain body without entry.
    static std::unique_ptr<CMimeBody> CreateBodyPart(std::string_view mediaType);
};

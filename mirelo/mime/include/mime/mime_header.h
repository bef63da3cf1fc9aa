// The header of a MIME entity: an ordered list of fields, each a name, its
// unfolded and decoded value and the charset of that value.
#pragma once

#include <string>
#include <string_view>
#include <vector>

// Media types by the main part of "Content-Type", in this order.
enum MimeMediaType { MEDIA_TEXT, MEDIA_IMAGE, MEDIA_AUDIO, MEDIA_VIDEO, MEDIA_APPLICATION, MEDIA_MULTIPART,
                     MEDIA_MESSAGE, MEDIA_UNKNOWN };

class CMimeHeader {
public:
    struct Field {
        std::string name;
        std::string value;
        std::string charset;
    };

    virtual ~CMimeHeader() = default;

    virtual void Clear();
    // The stored length, exactly.
    virtual int GetLength() const;
    // Stores into buffer: the bytes written, 0 when they do not fit.
    virtual int Store(char* buffer, int size) const;
    // Loads the header from the start of buffer: the bytes consumed (up to
    // and with the empty line), 0 when nothing could be read, negative when
    // the text is no header.
    virtual int Load(const char* buffer, int size);

    const std::vector<Field>& Fields() const { return m_fields; }
    // The first field of that name (compared without case), or null.
    const Field* FindField(std::string_view name) const;
    // The value of the named field, null without one.
    const char* GetFieldValue(std::string_view name, int* length = nullptr) const;
    // Replaces the field of that name whole, or appends a new one. A value
    // whose line breaks would start another field is refused (false).
    bool SetField(std::string_view name, std::string_view value, std::string_view charset = {});
    // Sets a parameter of the named field (the field is made when missing).
    // The value is quoted when quote is set or it is no plain token; a
    // value holding a line break is refused (false).
    bool SetParameter(std::string_view fieldName, std::string_view name, std::string_view value, bool quote);
    // The parameter's value without quotes into value (emptied first); false
    // when the field or the parameter is missing.
    bool GetParameter(std::string_view fieldName, std::string_view name, std::string& value) const;

    // The "filename" parameter of "Content-Disposition".
    std::string GetFileName() const;
    // The "charset" parameter of "Content-Type" (made "text/plain" when missing).
    bool SetCharset(std::string_view charset);
    // The part of "Content-Type" before "/", "text" without the field.
    std::string GetMainType() const;
    MimeMediaType GetMediaType() const;
    // The "boundary" parameter of "Content-Type", empty without one.
    std::string GetBoundary() const;

    // The header as stored, ending with its empty line.
    std::string StoreText() const;

private:
    std::vector<Field> m_fields;
};

// Coders of header field values: on storing, segments that hold bytes of
// 128 and above become encoded words in the field's charset; on loading,
// encoded words are decoded back. Structured values (addresses, parameters
// and any other field) are cut into segments at blanks and special
// characters; free text is one segment.
#pragma once

#include <string>
#include <string_view>

class CFieldCodeBase {
public:
    virtual ~CFieldCodeBase() = default;

    // Appends the value as written after "Name: " to out, whose current
    // line starts at lineStart. fold breaks lines that have reached 76
    // characters.
    void Encode(std::string& out, size_t lineStart, std::string_view value, std::string_view charset,
                bool fold) const;

    struct Decoded {
        std::string value;
        std::string charset;  // of the first encoded word, else empty
    };
    // The value as read from the header, its folded lines first joined
    // with one space when unfold is set.
    Decoded Decode(std::string_view value, bool unfold) const;

protected:
    // True when the whole value is one segment (free text).
    virtual bool IsText() const { return false; }
};

class CFieldCodeText : public CFieldCodeBase {
protected:
    bool IsText() const override { return true; }
};

// Coders of header field values: on storing, segments that hold bytes of
// 128 and above become encoded words in the field's charset; on loading,
// encoded words are decoded back. Structured values are cut into segments
// at blanks and special characters; free text is one segment. Address and
// parameter fields are lists whose items (cut at their delimiters outside
// quoted strings, comments and <addresses>) are coded so that the list
// reads back the same: a display name is one run of words, so its blanks
// survive, and a quoted text keeps its quotes' meaning.
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
    // True for a character that ends an item of the value; none here.
    virtual bool IsDelimiter(char) const { return false; }
    // An item (no delimiter in it) as written, its high bytes coded in
    // charset; `beforeDelimiter` is the delimiter that follows it, or 0.
    virtual std::string EncodeItem(std::string_view item, std::string_view charset, char beforeDelimiter) const;
    // Where a run of adjacent encoded words stands in the value.
    enum class Place { Plain, Quoted, Comment };
    // The bytes of such a run as they are put into the loaded value.
    virtual std::string DecodedRun(std::string bytes, Place place) const;
};

class CFieldCodeText : public CFieldCodeBase {
protected:
    bool IsText() const override { return true; }
};

// From, To, Cc, Bcc, Reply-To and their Resent- forms: addresses separated
// by ',', a group's name ended by ':'. A display name (quoted or not) with
// high bytes becomes one run of encoded words, a comment's text words
// inside its parentheses; on loading, a display name whose decoded text
// holds special characters is quoted again.
class CFieldCodeAddress : public CFieldCodeBase {
protected:
    bool IsDelimiter(char c) const override { return c == ',' || c == ':'; }
    std::string EncodeItem(std::string_view item, std::string_view charset, char beforeDelimiter) const override;
    std::string DecodedRun(std::string bytes, Place place) const override;
};

// Content-Type, Content-Disposition: a value and parameters separated by
// ';'. A parameter value with high bytes becomes encoded words inside
// quotes; on loading, quotes and backslashes decoded inside a quoted value
// are escaped again, so the parameter reads whole.
class CFieldCodeParameter : public CFieldCodeBase {
protected:
    bool IsDelimiter(char c) const override { return c == ';'; }
    std::string EncodeItem(std::string_view item, std::string_view charset, char beforeDelimiter) const override;
    std::string DecodedRun(std::string bytes, Place place) const override;
};

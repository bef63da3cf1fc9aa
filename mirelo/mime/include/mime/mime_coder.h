// Content-transfer coders of MIME bodies and the coder of RFC 2047 encoded
// words. A coder is given its input and a direction, then asked for the
// output; decoding gives nothing (std::nullopt, or -1 from GetOutput) for
// input that is not in its encoding, so no byte is cut or invented.
#pragma once

#include <optional>
#include <string>
#include <string_view>

// The copying coder: the output is the input.
class CMimeCodeBase {
public:
    virtual ~CMimeCodeBase() = default;

    void SetInput(std::string_view input, bool encoding);
    // The coded input; std::nullopt when it cannot be decoded.
    std::optional<std::string> GetOutput() const;
    // The coded length, or -1 when the input cannot be decoded.
    int GetOutputLength() const;
    // Copies the coded input into buffer: the bytes written, or -1 when the
    // input cannot be decoded or the output does not fit.
    int GetOutput(char* buffer, int size) const;

protected:
    virtual std::string Encode(std::string_view input) const;
    virtual std::optional<std::string> Decode(std::string_view input) const;

private:
    std::string_view m_input;
    bool m_encoding = true;
};

// "7bit" and "8bit" under automatic folding: a line that has reached 76
// characters is broken before the last whitespace seen on it.
class CMimeCode7bit : public CMimeCodeBase {
protected:
    std::string Encode(std::string_view input) const override;
};

// Quoted-printable (RFC 2045 section 6.7). In text mode CR and LF are line
// ends; otherwise they are coded like any other byte.
class CMimeCodeQP : public CMimeCodeBase {
public:
    explicit CMimeCodeQP(bool textMode = true) : m_textMode(textMode) {}

protected:
    std::string Encode(std::string_view input) const override;
    std::optional<std::string> Decode(std::string_view input) const override;

private:
    bool m_textMode;
};

// Base64 (RFC 4648 alphabet), with CR LF after every 76 output characters
// when line breaks are on. Decoding skips line breaks and blanks and ends at
// the padding; any other character outside the alphabet fails it.
class CMimeCodeBase64 : public CMimeCodeBase {
public:
    explicit CMimeCodeBase64(bool lineBreaks = true) : m_lineBreaks(lineBreaks) {}

protected:
    std::string Encode(std::string_view input) const override;
    std::optional<std::string> Decode(std::string_view input) const override;

private:
    bool m_lineBreaks;
};

// RFC 2047 encoded words.
class CMimeEncodedWord {
public:
    // The bytes as encoded words in charset, separated by one space; "Q" or
    // "B" is chosen by which gives the shorter text. Words of a UTF-8 text
    // never split a character. Words that stand for a phrase or a quoted
    // text of a structured field keep only letters, digits and "!*+-/"
    // literal in "Q", so that no special character of the field is in them.
    static std::string Encode(std::string_view bytes, std::string_view charset, bool phrase = false);

    struct Decoded {
        std::string charset;
        std::string bytes;
        size_t length = 0;  // characters of the word in the text
    };
    // The encoded word at the start of text, if one stands there.
    static std::optional<Decoded> Decode(std::string_view text);
};

// A PKCS#10 request the program made, read back by `openssl req` and
// `openssl asn1parse`.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/text.h"
#include "testkit/process.h"

namespace openssl_request {

// `openssl req` with the arguments over the PEM text; its output, empty
// with a failure noted when it fails.
inline std::string openssl(const std::u16string& pem, std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), {"openssl", "req"});
    testkit::RunOptions options;
    options.input = platform::text::toUtf8(pem);
    const testkit::RunResult result = testkit::run(arguments, options);
    EXPECT_EQ(0, result.exitCode) << result.err;
    return result.exitCode == 0 ? result.out + result.err : std::string();
}

// The request's text, its signature verified.
inline std::string verifiedText(const std::u16string& pem) {
    return openssl(pem, {"-verify", "-text", "-noout", "-nameopt", "RFC2253,-esc_msb"});
}

// `openssl asn1parse` over the request.
inline std::string asn1(const std::u16string& pem) {
    testkit::RunOptions options;
    options.input = platform::text::toUtf8(pem);
    const testkit::RunResult result = testkit::run({"openssl", "asn1parse", "-i"}, options);
    EXPECT_EQ(0, result.exitCode) << result.err;
    return result.out;
}

// The string type of each subject attribute in `openssl asn1parse`
// output, in order: "countryName PRINTABLESTRING", ...
inline std::vector<std::string> subjectTypes(const std::string& parsed) {
    std::vector<std::string> types;
    const std::string object = "OBJECT            :";
    std::size_t at = parsed.find(object);
    // Stops at the public key, after the subject.
    while (at != std::string::npos && parsed.compare(at + object.size(), 13, "rsaEncryption") != 0) {
        const std::size_t nameEnd = parsed.find('\n', at);
        const std::string name = parsed.substr(at + object.size(), nameEnd - at - object.size());
        const std::size_t typeStart = parsed.find("prim:", nameEnd) + 5;
        const std::size_t typeEnd = parsed.find(':', typeStart);
        std::string type = parsed.substr(typeStart, typeEnd - typeStart);
        type.erase(0, type.find_first_not_of(' '));
        type.erase(type.find_last_not_of(' ') + 1);
        types.push_back(name.substr(0, name.find_last_not_of(' ') + 1) + " " + type);
        at = parsed.find(object, nameEnd);
    }
    return types;
}

// The string types the program gives a subject: country and identifier
// PrintableString, the e-mail address IA5String, every other name
// UTF8String.
inline void expectSubjectStringTypes(const std::u16string& pem) {
    const std::vector<std::string> types = subjectTypes(asn1(pem));
    EXPECT_FALSE(types.empty());
    for (const std::string& attribute : types) {
        const std::string name = attribute.substr(0, attribute.find(' '));
        const std::string type = attribute.substr(attribute.find(' ') + 1);
        if (name == "countryName" || name == "serialNumber")
            EXPECT_EQ("PRINTABLESTRING", type) << name;
        else
            EXPECT_EQ(name == "emailAddress" ? "IA5STRING" : "UTF8STRING", type) << name;
    }
}

}  // namespace openssl_request

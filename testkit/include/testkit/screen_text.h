// Texts a person reads in what OCR read off a screenshot, allowing for
// OCR's small slips: case, diacritics and punctuation count for nothing;
// a word may come out a letter or two off (one in a word of up to five
// letters, two in a longer one; a word of one or two letters exactly) or
// split in two, and a stray mark may come between two words.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace testkit {

// The words of a text as they are compared: runs of letters and digits,
// lower case, without diacritics.
std::vector<std::string> comparedWords(const std::string& utf8);

// The first of the texts whose words, in their order, are in none of the
// readings (each next word within the three read after the last one);
// none when every text was read.
std::optional<std::string> unreadText(const std::vector<std::string>& readings,
                                      const std::vector<std::string>& texts);

}  // namespace testkit

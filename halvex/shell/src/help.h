// The program's help: HTML pages, one per topic ("4013.htm") and a default
// one ("index.htm"), in the folder the program installs for the help file
// "Halvex_" + language + ".chm": that name without ".chm" ("Halvex_cz"),
// in the current directory when it holds an entry "Halvex", else beside the
// program. A page is opened with the desktop's handler.
#pragma once

#include <string>

namespace halvex {

// The topic of a help key or a page ("KEY_USAGE", "/data_renew.htm"); 0,
// the default page, for any other.
int HelpTopic(const std::u16string& key);

// The page of the topic (the default page for 0 or a topic without a
// page); empty when the help is not installed.
std::u16string HelpPage(int topic);

// Opens the topic's page; false when there is none or no handler took it.
bool AppHelp(int topic);

}  // namespace halvex

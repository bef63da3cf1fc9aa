// The program's help: the help file "Halvex_" + language + ".chm" shown by
// the HTML Help viewer ("hhctrl.ocx"), whose pages stand in the folder of
// that name without ".chm" ("Halvex_cz"), one per topic ("4013.htm") and
// a default one ("index.htm"). The help in the current directory comes
// first, else the one beside the program.
#pragma once

#include <string>

#include "win32/types.h"

namespace halvex {

// The topic of a help key or a page ("KEY_USAGE", "/data_renew.htm"); 0,
// the default page, for any other.
int HelpTopic(const std::u16string& key);

// The help file's path ("<folder>/Halvex_cz.chm").
std::u16string HelpFile();

// Shows the topic (0: the default page) for the program's window. The
// viewer is loaded on first use; without it, or without its entry point,
// this is false and it is not looked for again.
bool AppHelp(HWND mainWindow, int topic);

}  // namespace halvex

// The what's-new step: once per new program version, the notes of the
// versions since the one the profile remembers, in a dialog of the HTML
// page upgrade_info.htm that "Pokračovat" (ButtonOK) closes.
#pragma once

#include <string>
#include <vector>

#include "versions_file.h"

namespace halvex {

// When the profile's "AppVersion" is set and differs from fileVersion,
// shows the notes of "Versions.xml" in programFolder (in the language of
// string 33204) for the versions after it up to fileVersion, if there are
// any. Then "AppVersion" becomes fileVersion, whatever happened.
void ShowUpgradeInfo(const std::u16string& programFolder, const std::u16string& fileVersion);

// The page's list of notes: per note a block with the title in bold and
// the text as a note, both escaped.
std::u16string ChangeEntriesHtml(const std::vector<VersionNote>& notes);

}  // namespace halvex

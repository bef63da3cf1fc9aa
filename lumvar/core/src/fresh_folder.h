// A folder of the download area made anew: whatever was there is removed
// first (links removed, never followed).
#pragma once

#include <string>

namespace lumvar {

enum class FreshFolder { Made, NotRemoved, NotMade };

FreshFolder MakeFreshFolder(const std::u16string& path);
// Creates the folder and its parents; true when it is a folder afterwards.
bool MakeFolder(const std::u16string& path);

}  // namespace lumvar

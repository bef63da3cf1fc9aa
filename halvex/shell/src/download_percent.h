// The percentage the download dialog shows under its bar, worded as the
// text progress control words it: empty at 0 %.
#pragma once

#include <string>

namespace halvex {

std::u16string DownloadPercentText(unsigned percent);

}  // namespace halvex

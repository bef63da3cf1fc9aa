#include "download_percent.h"

#include "halvex/controls/progress_model.h"

namespace halvex {

std::u16string DownloadPercentText(unsigned percent) {
    controls::TextProgressModel bar;
    bar.send(PBM_SETPOS, percent, 0);
    bar.send(TPC_SHOWPERCENT, percent, 0);
    const std::string text = bar.text();
    return {text.begin(), text.end()};
}

}  // namespace halvex

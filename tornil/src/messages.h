// The status texts of the upgrade process in its three languages.
#pragma once

#include <string>

namespace tornil {

enum Message : int {
    kNoMessage = 0,
    kCaption = 1,
    kTitle = 2,
    kUpdateFailed = 3,
    kRemovingOldFiles = 4,
    kCopyingNewFiles = 5,
    kUpdateFinished = 6,
    kWaitingForClient = 7,
    kRolledBack = 8,
    kRollbackFailed = 9,
    kStartingRecovery = 10,
    kRecoveryStarted = 11,
};

// The text of the message in the language (0 Czech, 1 Slovak, 2 English);
// ":-(" for a message or language out of range.
std::u16string messageText(int language, int message);

}  // namespace tornil

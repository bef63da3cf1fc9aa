// Result codes of the upgrade client and the upgrade process: 0 is success,
// every other value names the failure.
#pragma once

namespace lumvar {

inline constexpr int kOk = 0;
inline constexpr int kUpgradeStarted = 7999;
inline constexpr int kCryptContext = 8001;
inline constexpr int kCreateHash = 8004;
inline constexpr int kHashData = 8005;
inline constexpr int kLogStream = 8009;
inline constexpr int kLogLevel = 8010;
inline constexpr int kDigestLength = 8011;
inline constexpr int kDigestCharacter = 8012;
inline constexpr int kOpenForHash = 8013;
inline constexpr int kReadForHash = 8014;
inline constexpr int kDigestValue = 8015;
inline constexpr int kBuildRequest = 8016;
inline constexpr int kBadReply = 8017;
inline constexpr int kMaintenance = 8018;
inline constexpr int kTextConversion = 8019;
inline constexpr int kServerError = 8020;
inline constexpr int kTransport = 8021;
inline constexpr int kOtherException = 8022;
inline constexpr int kNullArgument = 8023;
inline constexpr int kProgramPathTooLong = 8024;
inline constexpr int kProgramFolderMissing = 8025;
inline constexpr int kFolderWalk = 8026;
inline constexpr int kSystemFolder = 8027;
inline constexpr int kDownload = 8029;
inline constexpr int kHandOverFiles = 8030;
inline constexpr int kNotConfigured = 8031;
inline constexpr int kBackup = 8032;
inline constexpr int kStartUpgrade = 8033;

}  // namespace lumvar

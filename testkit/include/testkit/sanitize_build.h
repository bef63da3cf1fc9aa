// What changes for a test when the code is built with the sanitizers.
#pragma once

namespace testkit {

#ifdef TESK_SANITIZE
inline constexpr bool kSanitizeBuild = true;
#else
inline constexpr bool kSanitizeBuild = false;
#endif

// Whether a freed module leaves the process. Built with the sanitizers,
// every module stays mapped to the end of the process, so that a leak
// report names the lines that allocated the block; a test that watches a
// module go can only see it go without them.
inline constexpr bool kFreedModulesGo = !kSanitizeBuild;

// How many times longer work takes: windows come and go and documents are
// read some three times as slowly with the sanitizers.
inline constexpr int kSlowdown = kSanitizeBuild ? 3 : 1;

// Memory a process holds beyond what it uses: AddressSanitizer keeps freed
// blocks, up to 256 MiB, before it hands their room out again.
inline constexpr long kFreedButHeldMiB = kSanitizeBuild ? 256 : 0;

}  // namespace testkit

// Whether a freed module leaves the process. Built with the sanitizers,
// every module stays mapped to the end of the process, so that a leak
// report names the lines that allocated the block; a test that watches a
// module go can only see it go without them.
#pragma once

namespace testkit {

#ifdef TESK_SANITIZE
inline constexpr bool kFreedModulesGo = false;
#else
inline constexpr bool kFreedModulesGo = true;
#endif

}  // namespace testkit

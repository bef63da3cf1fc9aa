// The frame's commands: toolbar buttons, accelerators and the pages'
// frame actions send them (About only through OnCommand: nothing of the
// frame carries it).
#pragma once

namespace halvex {

inline constexpr int kCommandBack = 33001;
inline constexpr int kCommandHome = 33002;
inline constexpr int kCommandRefresh = 33003;
inline constexpr int kCommandAbout = 57664;
inline constexpr int kCommandExit = 57665;
inline constexpr int kCommandHelp = 57670;

}  // namespace halvex

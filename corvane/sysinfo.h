// Finding and starting the desktop's system-information program.
#pragma once

#include <functional>
#include <string>

namespace zor::corvane {

inline constexpr const char* kSysInfoUnavailable = "此时系统信息不可用";

// Where the program is recorded in the per-user store: section and key.
inline constexpr const char* kSysInfoSection = "MSINFO";
inline constexpr const char* kSysInfoKey = "PATH";

// The program to start: the path recorded in the store file (taken as it is, even when
// nothing is there), else the first known system-information or system-monitor program
// found executable in one of the `search_path` folders (":"-separated); empty when none.
std::string FindSysInfoProgram(const std::string& store_file, const std::string& search_path);

// Starts the program detached from this process, without waiting for it; false when it
// cannot be started (missing, not executable).
bool StartDetached(const std::string& path);

}  // namespace zor::corvane

#include "corvane/sysinfo.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

#include "common/ini.h"

namespace zor::corvane {

namespace {

// Hardware and system summaries first (what the old program showed), then the monitors
// of the common desktops.
constexpr const char* kKnownPrograms[] = {
    "hardinfo2",          "hardinfo",          "gnome-system-monitor", "plasma-systemmonitor",
    "ksysguard",          "mate-system-monitor", "xfce4-taskmanager",  "lxtask",
};

bool Executable(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

}  // namespace

std::string FindSysInfoProgram(const std::string& store_file, const std::string& search_path) {
  if (!store_file.empty()) {
    if (const std::optional<IniDocument> store = IniDocument::Load(store_file)) {
      if (std::optional<std::string> path = store->Get(kSysInfoSection, kSysInfoKey); path && !path->empty())
        return *path;
    }
  }
  std::vector<std::string> folders;
  for (size_t start = 0; start <= search_path.size();) {
    const size_t end = search_path.find(':', start);
    const std::string folder = search_path.substr(start, end == std::string::npos ? std::string::npos : end - start);
    // Only absolute folders: an empty or relative PATH item would mean the current folder.
    if (!folder.empty() && folder.front() == '/') folders.push_back(folder);
    if (end == std::string::npos) break;
    start = end + 1;
  }
  for (const char* name : kKnownPrograms)
    for (const std::string& folder : folders) {
      const std::string candidate = (folder.back() == '/' ? folder : folder + "/") + name;
      if (Executable(candidate)) return candidate;
    }
  return {};
}

bool StartDetached(const std::string& path) {
  if (path.empty()) return false;
  // The exec's failure comes back through a pipe closed on a successful exec; the middle
  // child ends at once, so the program is never our child and never a zombie of ours.
  int report[2];
  if (::pipe2(report, O_CLOEXEC) != 0) return false;
  const pid_t middle = ::fork();
  if (middle < 0) {
    ::close(report[0]);
    ::close(report[1]);
    return false;
  }
  if (middle == 0) {
    ::setsid();
    const pid_t program = ::fork();
    if (program == 0) {
      char* const argv[] = {const_cast<char*>(path.c_str()), nullptr};
      ::execv(path.c_str(), argv);
      const int error = errno;
      (void)!::write(report[1], &error, sizeof error);
      ::_exit(127);
    }
    ::_exit(program < 0 ? 1 : 0);
  }
  ::close(report[1]);
  int status = 0;
  while (::waitpid(middle, &status, 0) < 0 && errno == EINTR) {
  }
  int error = 0;
  ssize_t got;
  while ((got = ::read(report[0], &error, sizeof error)) < 0 && errno == EINTR) {
  }
  ::close(report[0]);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0 && got == 0;
}

}  // namespace zor::corvane

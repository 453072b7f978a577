#include "common/files.h"

#include <dirent.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace zor {
namespace {

std::string ErrorText(int err) {
  char buf[256];
  // GNU strerror_r: returns a pointer that may or may not be buf.
  const char* msg = strerror_r(err, buf, sizeof buf);
  return msg ? std::string(msg) : "error " + std::to_string(err);
}

void SetError(std::string* error, const std::string& path, int err) {
  if (error) *error = "cannot write \"" + path + "\": " + ErrorText(err);
}

// Bytes of the UTF-8 sequence starting at i (1 for a stray byte), never past the end.
std::size_t SequenceLength(std::string_view s, std::size_t i) {
  const unsigned char b = static_cast<unsigned char>(s[i]);
  std::size_t len = b < 0xC0 ? 1 : b < 0xE0 ? 2 : b < 0xF0 ? 3 : 4;
  std::size_t k = 1;
  while (k < len && i + k < s.size() &&
         (static_cast<unsigned char>(s[i + k]) & 0xC0) == 0x80) {
    ++k;
  }
  return k;
}

// "*" any run of characters, "?" exactly one character, anything else itself.
bool WildcardMatch(std::string_view pat, std::string_view name) {
  std::size_t p = 0, n = 0;
  std::size_t star = std::string_view::npos, mark = 0;
  while (n < name.size()) {
    if (p < pat.size() && pat[p] == '?') {
      ++p;
      n += SequenceLength(name, n);
    } else if (p < pat.size() && pat[p] == '*') {
      star = p++;
      mark = n;
    } else if (p < pat.size() && pat[p] == name[n]) {
      ++p;
      ++n;
    } else if (star != std::string_view::npos) {
      p = star + 1;
      mark += SequenceLength(name, mark);
      n = mark;
    } else {
      return false;
    }
  }
  while (p < pat.size() && pat[p] == '*') ++p;
  return p == pat.size();
}

std::string ParentOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

bool WriteAll(int fd, std::string_view data) {
  while (!data.empty()) {
    const ssize_t n = ::write(fd, data.data(), data.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

std::atomic<unsigned> temp_counter{0};

}  // namespace

bool FileExists(const std::string& path) {
  if (path.empty()) return false;
  const std::size_t slash = path.rfind('/');
  const std::string_view last =
      slash == std::string::npos ? std::string_view(path) : std::string_view(path).substr(slash + 1);
  struct stat st;
  if (last.find_first_of("*?") == std::string_view::npos) {
    return ::lstat(path.c_str(), &st) == 0;
  }
  // A file search treats "*.*" as "every name", dotted or not.
  const std::string_view pattern = last == "*.*" ? std::string_view("*") : last;
  DIR* dir = ::opendir(ParentOf(path).c_str());
  if (!dir) return false;
  bool found = false;
  while (const dirent* entry = ::readdir(dir)) {
    const std::string_view name = entry->d_name;
    if (name == "." || name == "..") continue;
    if (WildcardMatch(pattern, name)) {
      found = true;
      break;
    }
  }
  ::closedir(dir);
  return found;
}

bool WriteFileAtomic(const std::string& path, std::string_view data, std::string* error) {
  if (path.empty()) {
    SetError(error, path, ENOENT);
    return false;
  }
  std::string target = path;
  struct stat st;
  bool have_old = ::lstat(path.c_str(), &st) == 0;
  if (have_old && S_ISLNK(st.st_mode)) {
    // Replace what the link points at, not the link itself.
    if (char* real = ::realpath(path.c_str(), nullptr)) {
      target = real;
      std::free(real);
    }
    have_old = ::stat(target.c_str(), &st) == 0;
  }
  if (have_old && S_ISDIR(st.st_mode)) {
    SetError(error, path, EISDIR);
    return false;
  }

  const std::string folder = ParentOf(target);
  std::string base = target.substr(target.rfind('/') == std::string::npos ? 0 : target.rfind('/') + 1);
  if (base.size() > 200) base.resize(200);  // room for the suffix within NAME_MAX
  std::string temp;
  int fd = -1;
  for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
    temp = folder + "/." + base + ".tmp-" + std::to_string(::getpid()) + "-" +
           std::to_string(temp_counter.fetch_add(1));
    fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && errno != EEXIST) break;
  }
  if (fd < 0) {
    SetError(error, path, errno);
    return false;
  }

  const auto fail = [&](int err) {
    if (fd >= 0) ::close(fd);
    ::unlink(temp.c_str());
    SetError(error, path, err);
    return false;
  };
  if (have_old) ::fchmod(fd, st.st_mode & 07777);
  if (!WriteAll(fd, data)) return fail(errno);
  if (::fsync(fd) != 0) return fail(errno);
  const int closed = ::close(fd);
  fd = -1;
  if (closed != 0) return fail(errno);
  if (::rename(temp.c_str(), target.c_str()) != 0) return fail(errno);

  // Make the rename itself durable; the data is already safe either way.
  const int dfd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dfd >= 0) {
    ::fsync(dfd);
    ::close(dfd);
  }
  return true;
}

std::optional<std::string> ReadWholeFile(const std::string& path) {
  // O_NONBLOCK so that a FIFO cannot hang the open; only regular files are read.
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return std::nullopt;
  struct stat st;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return std::nullopt;
  }
  std::string out;
  out.reserve(static_cast<std::size_t>(st.st_size));
  char buf[65536];
  for (;;) {
    const ssize_t n = ::read(fd, buf, sizeof buf);
    if (n < 0) {
      if (errno == EINTR) continue;
      ::close(fd);
      return std::nullopt;
    }
    if (n == 0) break;
    out.append(buf, static_cast<std::size_t>(n));
  }
  ::close(fd);
  return out;
}

bool AppendLine(const std::string& path, std::string_view line, std::string_view eol) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
  if (fd < 0) return false;
  std::string record;
  record.reserve(line.size() + eol.size());
  record.append(line).append(eol);
  const bool ok = WriteAll(fd, record);
  return (::close(fd) == 0) && ok;
}

std::string ProgramFolder() {
  std::vector<char> buf(PATH_MAX);
  for (;;) {
    const ssize_t n = ::readlink("/proc/self/exe", buf.data(), buf.size());
    if (n < 0) return {};
    if (static_cast<std::size_t>(n) < buf.size()) {
      const std::string exe(buf.data(), static_cast<std::size_t>(n));
      const std::size_t slash = exe.rfind('/');
      if (slash == std::string::npos) return {};
      return slash == 0 ? "/" : exe.substr(0, slash);
    }
    buf.resize(buf.size() * 2);
  }
}

std::string LoadedFileFolder(const void* address) {
  Dl_info info{};
  if (::dladdr(address, &info) == 0 || !info.dli_fname) return ".";
  const std::string file = info.dli_fname;
  const std::size_t slash = file.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : file.substr(0, slash);
}

std::string FolderPath(std::string folder) {
  if (folder.empty() || folder.back() != '/') folder += '/';
  return folder;
}

std::string JoinPath(const std::string& a, const std::string& b) {
  if (a.empty()) return b;
  if (b.empty()) return a;
  const std::size_t head_end = a.find_last_not_of('/');
  const std::size_t tail_start = b.find_first_not_of('/');
  std::string out = head_end == std::string::npos ? std::string() : a.substr(0, head_end + 1);
  out += '/';
  if (tail_start != std::string::npos) out += b.substr(tail_start);
  return out;
}

std::optional<std::vector<FolderEntry>> ListFolder(const std::string& folder) {
  DIR* dir = opendir(folder.c_str());
  if (!dir) return std::nullopt;
  std::vector<FolderEntry> entries;
  const int dir_fd = dirfd(dir);
  while (const dirent* e = readdir(dir)) {
    const std::string name = e->d_name;
    if (name == "." || name == "..") continue;
    FolderEntry entry;
    entry.name = name;
    struct stat st {};
    if (fstatat(dir_fd, e->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(st.st_mode)) {
      entry.link = true;
      if (fstatat(dir_fd, e->d_name, &st, 0) != 0) st = {};
    }
    entry.directory = S_ISDIR(st.st_mode);
    entry.regular = S_ISREG(st.st_mode);
    entries.push_back(std::move(entry));
  }
  closedir(dir);
  return entries;
}

std::string RealPath(const std::string& path) {
  char* resolved = realpath(path.c_str(), nullptr);
  if (!resolved) return {};
  std::string result = resolved;
  free(resolved);
  return result;
}

}  // namespace zor

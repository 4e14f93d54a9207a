#include "engine/system/files.h"

#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <vector>

#include "platform/posix.h"
#include "platform/text.h"

namespace {

// An embedded zero would make the system see a shorter, different path.
bool Usable(const std::string& path) { return !path.empty() && path.find('\0') == std::string::npos; }

// Something is there, a dangling symbolic link included.
bool Exists(const std::string& path) {
  struct stat st {};
  return lstat(path.c_str(), &st) == 0;
}

bool IsRoot(const std::string& path) {
  if (path == "/") return true;
  // A network root: "//server/".
  if (path.size() > 3 && path.compare(0, 2, "//") == 0 && path.back() == '/' &&
      path.find('/', 2) == path.size() - 1)
    return true;
  return false;
}

}  // namespace

std::string NormalisePath(const std::string& path, bool folder) {
  std::string p = path;
  std::replace(p.begin(), p.end(), '\\', '/');
  if (p.size() > 2 && p.compare(0, 2, "//") == 0 && p.find('/', 2) == std::string::npos) p += '/';
  // Linux has no drives: "C:name" is an ordinary relative name and stays as it is.
  if (folder) {
    while (p.size() > 1 && p.back() == '/' && !IsRoot(p)) p.pop_back();
  }
  return p;
}

int PathKind(const std::string& path) {
  const std::string p = NormalisePath(path);
  if (!Usable(p)) return 0;
  struct stat st {};
  if (stat(p.c_str(), &st) != 0) return 0;
  return S_ISDIR(st.st_mode) ? 2 : 1;
}

int MakeFolder(const std::string& path, int recurse) {
  if (!recurse) {
    const std::string p = NormalisePath(path, true);
    if (!Usable(p)) return 0;
    mkdir(p.c_str(), 0777);
    return PathKind(p) == 2 ? 1 : 0;
  }
  if (!Usable(NormalisePath(path))) return 0;
  const std::string full = AbsolutePath(path) + "/";
  // Each prefix up to a "/" names one folder of the chain.
  for (size_t slash = full.find('/', 1); slash != std::string::npos;
       slash = full.find('/', slash + 1)) {
    const std::string prefix = full.substr(0, slash);
    if (prefix.empty() || prefix.back() == '/') continue;
    switch (PathKind(prefix)) {
      case 2:
        break;
      case 0:
        mkdir(prefix.c_str(), 0777);
        if (PathKind(prefix) != 2) return 0;
        break;
      default:
        return 0;
    }
  }
  return 1;
}

int RemoveFile(const std::string& path) {
  const std::string p = NormalisePath(path, true);
  if (!Usable(p)) return 0;
  struct stat st {};
  // unlink never takes a folder; a symbolic link is removed itself.
  if (lstat(p.c_str(), &st) == 0 && !S_ISDIR(st.st_mode)) unlink(p.c_str());
  return Exists(p) ? 0 : 1;
}

namespace {

// Empties the folder open as fd, then closes it. Everything is reached through
// the folder's descriptor and no link is followed, so nothing outside it is
// touched even when entries change under us. false when it cannot be listed.
bool EmptyFolder(int fd) {
  DIR* dir = fdopendir(fd);
  if (!dir) {
    close(fd);
    return false;
  }
  std::vector<std::string> names;
  while (dirent* e = readdir(dir)) {
    const std::string name = e->d_name;
    if (name != "." && name != "..") names.push_back(name);
  }
  for (const std::string& name : names) {
    struct stat st {};
    if (fstatat(fd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
    if (S_ISDIR(st.st_mode)) {
      const int sub = openat(fd, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
      if (sub >= 0) EmptyFolder(sub);
      unlinkat(fd, name.c_str(), AT_REMOVEDIR);
    } else {
      unlinkat(fd, name.c_str(), 0);
    }
  }
  closedir(dir);
  return true;
}

}  // namespace

int RemoveFolder(const std::string& path, int recurse) {
  const std::string p = NormalisePath(path, true);
  if (!Usable(p)) return 0;
  if (recurse) {
    // Emptying the whole file system is never what a caller meant.
    if (IsRoot(p) || AbsolutePath(p) == "/") return 0;
    // What cannot be listed as a folder (nothing there, a file, a link) is a failure.
    struct stat st {};
    if (lstat(p.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return 0;
    const int fd = open(p.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0 || !EmptyFolder(fd)) return 0;
  }
  rmdir(p.c_str());
  return Exists(p) ? 0 : 1;
}

int EnterFolder(const std::string& path) {
  const std::string p = NormalisePath(path, true);
  if (!Usable(p)) return 0;
  return chdir(p.c_str()) == 0 ? 1 : 0;
}

std::string CurrentFolder() {
  std::vector<char> buf(4096);
  for (;;) {
    if (getcwd(buf.data(), buf.size())) return buf.data();
    if (errno != ERANGE || buf.size() > (1u << 20)) return {};
    buf.resize(buf.size() * 2);
  }
}

std::string AbsolutePath(const std::string& path) {
  std::string p = NormalisePath(path);
  const bool absolute = !p.empty() && p[0] == '/';
  if (!absolute) {
    const std::string here = CurrentFolder();
    p = here.empty() ? p : here + "/" + p;
  }
  const bool rooted = !p.empty() && p[0] == '/';
  std::vector<std::string> segments;
  size_t start = 0;
  while (start <= p.size()) {
    size_t end = p.find('/', start);
    if (end == std::string::npos) end = p.size();
    const std::string seg = p.substr(start, end - start);
    if (seg == "..") {
      if (!segments.empty() && segments.back() != "..")
        segments.pop_back();
      else if (!rooted)
        segments.push_back(seg);  // above an unknown folder: keep it
    } else if (!seg.empty() && seg != ".") {
      segments.push_back(seg);
    }
    start = end + 1;
  }
  std::string out = rooted ? "/" : "";
  for (size_t i = 0; i < segments.size(); ++i) {
    if (i) out += '/';
    out += segments[i];
  }
  return out.empty() ? "." : out;
}

std::string GetUserAppDir() {
  std::string dir = platform::UserDataDir();
  if (!dir.empty()) return dir;
  // No usable $HOME: the account's home folder from the user database.
  std::vector<char> buf(16384);
  passwd pw{};
  passwd* found = nullptr;
  if (getpwuid_r(getuid(), &pw, buf.data(), buf.size(), &found) == 0 && found && found->pw_dir &&
      found->pw_dir[0] == '/') {
    dir = found->pw_dir;
    while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
    return (dir == "/" ? "" : dir) + "/.local/share";
  }
  return {};
}

std::string ProgramFolder() { return platform::ExecutableDir(); }

std::u16string Utf8ToText(const std::string& utf8) {
  std::u16string out;
  out.reserve(utf8.size());
  const auto* s = reinterpret_cast<const unsigned char*>(utf8.data());
  const size_t n = utf8.size();
  size_t i = 0;
  while (i < n) {
    const unsigned c = s[i];
    if (c < 0x80) {
      out += static_cast<char16_t>(c);
      ++i;
      continue;
    }
    int len = 0;
    char32_t cp = 0, min = 0;
    if (c >= 0xC2 && c <= 0xDF) {
      len = 2, cp = c & 0x1F, min = 0x80;
    } else if (c >= 0xE0 && c <= 0xEF) {
      len = 3, cp = c & 0x0F, min = 0x800;
    } else if (c >= 0xF0 && c <= 0xF4) {
      len = 4, cp = c & 0x07, min = 0x10000;
    }
    // Take continuation bytes while they fit; a broken sequence becomes one
    // replacement character and decoding resumes at the byte that broke it.
    int got = 1;
    if (len) {
      while (got < len && i + got < n && (s[i + got] & 0xC0) == 0x80) {
        cp = (cp << 6) | (s[i + got] & 0x3F);
        ++got;
      }
    }
    if (!len || got < len || cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
      out += u'\uFFFD';
      i += got;
      continue;
    }
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out += static_cast<char16_t>(0xD800 + (cp >> 10));
      out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
    } else {
      out += static_cast<char16_t>(cp);
    }
    i += got;
  }
  return out;
}

std::string TextToUtf8(const std::u16string& text) { return platform::Utf16ToUtf8(text); }

// Kept in its own object file: only programs that open web addresses pull in
// the system driver through it.
#include <string>

#include "engine/system/files.h"
#include "engine/system/system_driver.h"

namespace {

bool StartsWithNoCase(const std::string& text, const char* prefix) {
  size_t i = 0;
  for (; prefix[i]; ++i) {
    if (i >= text.size()) return false;
    char c = text[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != prefix[i]) return false;
  }
  return true;
}

}  // namespace

int OpenURL(const std::string& url) {
  std::string address = url;
  if (!StartsWithNoCase(url, "http:") && !StartsWithNoCase(url, "file:") &&
      !StartsWithNoCase(url, "https:")) {
    // A local name, perhaps with an anchor: a file that exists opens as itself.
    const auto hash = url.find('#');
    const std::string name = url.substr(0, hash);
    const std::string anchor = hash == std::string::npos ? std::string() : url.substr(hash);
    const std::string full = AbsolutePath(name);
    address = PathKind(full) != 0 ? "file:" + full + anchor : "http:" + name + anchor;
  }
  try {
    SystemDriver().OpenURL(address);
  } catch (...) {
    // The desktop's answer never reaches the caller.
  }
  return 0;
}

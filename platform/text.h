// UTF-16 text to UTF-8 for the window system (titles, message boxes).
#pragma once

#include <string>

namespace platform {

// Surrogate pairs join into one character; a lone surrogate becomes U+FFFD.
std::string Utf16ToUtf8(const std::u16string& text);

}  // namespace platform

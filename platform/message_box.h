// Modal message boxes. Every text is also written to stderr first, so that it
// is never lost where no box can be shown (no display, a headless run).
#pragma once

#include <string>

namespace platform {

// One OK button; a warning icon when serious, else an information icon.
// Blocks until the box is closed. Texts are UTF-8.
void ShowMessage(const std::string& title, const std::string& text, bool serious);

// Yes / No (and Cancel when withCancel): 1 yes, 0 no, -1 cancel. Without a box
// the answer is 0 (or -1 when Cancel was offered).
int AskQuestion(const std::string& title, const std::string& text, bool serious, bool withCancel);

}  // namespace platform

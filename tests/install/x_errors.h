// Xlib's error handling for the install tests, apart from the test code:
// Xlib's macros (None, Bool, Status) clash with GoogleTest's names.
#pragma once

// A window can be gone between the probe listing it and reading its title
// (SDL makes its window again for GL), and Xlib's default handler would end
// the whole test program there: from now on such errors are ignored, and
// any other is printed without ending the program.
void IgnoreGoneXWindows();

// The program's texts before or instead of its window (the usage, the version, a bad argument, an
// error at start) shown where whoever started the program reads them.
#pragma once

#include <string_view>

enum class TextStream { kOutput, kError };

// Shows UTF-8 `text`: on the standard output (the usage) or standard error (an error) where the
// program was started with one, as scripts and CI start it; else on the console of the process
// that started it; else in a message box, where the window station is one a user sees. Elsewhere
// (a service, session 0) it shows nothing, since nobody could close the box.
void ShowCommandLineText(std::string_view text, TextStream stream);

// The command line's own texts (the usage, a bad argument) shown where whoever started the
// program reads them.
#pragma once

#include <string_view>

enum class TextStream { kOutput, kError };

// Shows UTF-8 `text`: on the standard output (the usage) or standard error (an error) where the
// program was started with one, as scripts and CI start it; else on the console of the process
// that started it; else in a message box.
void ShowCommandLineText(std::string_view text, TextStream stream);

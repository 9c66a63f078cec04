// The arguments of testz.com's command line, passed on to testz.exe as they were given.
#pragma once

#include <string_view>

// What follows the program's name in `command_line`, verbatim (its leading space included). The
// name ends, as Windows reads it, at the closing quote where it begins with one, else at the first
// space or tab.
std::wstring_view ArgumentsAfterProgramName(std::wstring_view command_line);

// The program's name cut off its command line as Windows reads the first argument.
#include "program_arguments.h"

std::wstring_view ArgumentsAfterProgramName(std::wstring_view command_line) {
  if (!command_line.empty() && command_line.front() == L'"') {
    const std::size_t quote = command_line.find(L'"', 1);
    return quote == std::wstring_view::npos ? std::wstring_view() : command_line.substr(quote + 1);
  }
  const std::size_t space = command_line.find_first_of(L" \t");
  return space == std::wstring_view::npos ? std::wstring_view() : command_line.substr(space);
}

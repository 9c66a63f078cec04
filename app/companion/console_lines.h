// What testz.com writes on an interactive console for testz.exe's output: each line as it comes,
// above one progress line that is rewritten in place, as progress bars are. Texts are UTF-8.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Lines out of a stream of bytes as they complete, without their LF or CR LF.
class LineSplitter {
 public:
  std::vector<std::string> Take(std::string_view bytes);
  // At the stream's end: a last line that had no line end.
  std::optional<std::string> Rest();

 private:
  std::string partial_;
};

class ConsoleLines {
 public:
  // What to write for a line: the progress line, where one is shown, is cleared, the line written
  // and the progress line written again below it.
  std::string Line(std::string_view line);
  // What to write for a progress line: the one shown is replaced, its text cut to `columns` - 1
  // characters, so that it never wraps onto a second row.
  std::string Progress(std::string_view text, std::size_t columns);
  // At the end of the output: the progress line stays as it is and the next output starts on a
  // row of its own.
  std::string End();

 private:
  std::string progress_;   // as shown, cut
  std::size_t shown_ = 0;  // its characters
};

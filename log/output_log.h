// The output log: lines written into a list control.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// The list control that holds the log's lines. The log keeps no copy of its own; the window's
// list box stands behind this in the program, an in-memory list in the tests.
class ListControl {
 public:
  virtual ~ListControl() = default;
  virtual int Count() const = 0;
  // Add and Replace return false when the control refuses the text (it holds as many lines as
  // it can); nothing is then added, and the line keeps its old text.
  virtual bool Add(std::string_view text) = 0;
  virtual std::string Read(int index) const = 0;
  virtual bool Replace(int index, std::string_view text) = 0;
  virtual void Clear() = 0;
  virtual void SetFirstVisible(int index) = 0;
  // Invalidates the whole control and paints it at once, without waiting for the message loop.
  virtual void RedrawNow() = 0;
};

// The longest text one log write takes. Callers cut longer texts with CutToLogLimit.
inline constexpr std::size_t kLogTextLimit = 255;

// The first kLogTextLimit characters of text.
std::string_view CutToLogLimit(std::string_view text);

// Adds text to the end of the current (last) line; a blank current line is replaced. False when
// the list control refused the line.
bool LogAppend(ListControl& list, std::string_view text);

// Writes text as a finished line of its own, followed by a new empty current line, and scrolls
// so that the newest lines are in view. False when the list control refused a line on the way:
// the log is full. The lines finished before stay as they were, and the last line is the one that
// was being written (blank, or holding text when only the new current line was refused).
bool LogWriteLine(ListControl& list, std::string_view text);

// The last word in a full log: notice takes the place of the line that a refused LogWriteLine
// left unfinished (it is added when the list holds no line at all) and is scrolled into view.
// No finished line is touched.
void LogEndWith(ListControl& list, std::string_view notice);

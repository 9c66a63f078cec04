// Drives a running program from another process and reads what a user would see of it.
// Window captions, control texts, list box lines, button and radio button states, pixels.
#pragma once

#include <windows.h>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "owned_handle.h"

namespace ui {

using Milliseconds = std::chrono::milliseconds;

// Every wait of the driver ends after at most this long unless a test gives its own limit. A
// limit is set for a real CPU: the driver stretches every one threefold where the scripts say the
// CPU is emulated (TESTZ_CPU_EMULATED=1), which is that much slower.
inline constexpr Milliseconds kDefaultTimeout{10000};

// Polls `condition` every few milliseconds until it holds (true) or `timeout` passes (false).
bool WaitUntil(const std::function<bool()>& condition, Milliseconds timeout = kDefaultTimeout);

// Texts between the 8-bit world of the program and the window system's UTF-16, through the
// ANSI code page, the conversion the program's own 8-bit windows use.
std::string ToAnsi(const std::wstring& text);
std::wstring ToWide(const std::string& text);

// The folder of the running test program; fixtures and work folders are found from it.
std::wstring ProgramFolder();

// Makes `folder` (and its parents) exist and empty, then copies each file of `files` into it
// under its new name. Returns false, with the reason in `error`, when a step fails.
struct FileCopy {
  std::wstring source;
  std::wstring name;
};
bool PrepareFolder(const std::wstring& folder, const std::vector<FileCopy>& files,
                   std::string* error);

// Writes `bytes` as the whole content of a file; reads a file's bytes, or its lines (without their
// line ends), also while another program has it open for writing. Nothing, or no line, when it
// cannot be read.
bool WriteTextFile(const std::wstring& path, const std::string& bytes);
std::optional<std::string> ReadWholeFile(const std::wstring& path);
std::vector<std::string> ReadLines(const std::wstring& path);

struct Variable {
  std::string name;
  std::string value;
};

// Which standard handles a program started with an output file has: output and error going to
// the file, or error alone (no standard input or output); or, the file not used, none at all.
enum class StandardHandles { kOutputAndError, kErrorOnly, kNone };

// A program started by the driver. A program still running when its Program goes is killed;
// it also runs in a job object that ends it should the test program itself die first.
class Program {
 public:
  // Starts `exe` with `folder` as its current folder and `variables` added to (or replacing in)
  // the test's own environment, with `arguments` after its name on the command line and, where
  // `output_file` is given, its standard `handles` going to that file (made anew), standard error
  // to `error_file` instead where that is given too; on `desktop` ("station\\desktop") where one is
  // named; a console program with a console of its own where `own_console`. Empty (Running()
  // false) when it could not start; `error` says why.
  static Program Start(const std::wstring& exe, const std::wstring& folder,
                       const std::vector<Variable>& variables, std::string* error,
                       const std::wstring& arguments = L"", const std::wstring& output_file = L"",
                       StandardHandles handles = StandardHandles::kOutputAndError,
                       const std::wstring& desktop = L"", const std::wstring& error_file = L"",
                       bool own_console = false);

  Program() = default;
  Program(Program&& other) noexcept;
  Program& operator=(Program&& other) noexcept;
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;
  ~Program();

  bool Running() const;
  DWORD Id() const { return id_; }

  // The visible top-level window of this program whose caption is `caption`; null on timeout.
  HWND WaitForWindow(const std::string& caption, Milliseconds timeout = kDefaultTimeout) const;

  // The exit code once the program has ended; nothing if it still runs after `timeout`.
  std::optional<DWORD> WaitForExit(Milliseconds timeout = kDefaultTimeout);

  // Ends the program at once, if it still runs.
  void Kill();

 private:
  KernelHandle process_;
  KernelHandle job_;
  DWORD id_ = 0;
};

// Controls, searched among all descendants of `root` in the window system's order. Class names
// compare without regard to case ("Button" and "BUTTON" are one class).
std::vector<HWND> FindControls(HWND root, const std::string& class_name);
// The direct children of `parent`, in creation order (the window system's order, and the order
// in which tabbing and screen readers go through them).
std::vector<HWND> Children(HWND parent);
HWND FindControl(HWND root, const std::string& class_name, const std::string& text);

std::string ClassName(HWND window);
std::string Text(HWND window);
bool IsEnabled(HWND window);
bool IsVisible(HWND window);
// For radio buttons and check boxes.
bool IsChecked(HWND button);

// Clicks a button as a user would: nothing happens, and false is returned, when the button is
// disabled (a disabled button would still report a click it is sent). The click is posted: it
// takes effect when the program next reads its messages, so wait for its effect.
bool Click(HWND button);

// Brings the window of `button` to the front and double-clicks the button with the mouse, as a
// hasty user does: two presses in quick succession. Wait for their effect.
bool DoubleClick(HWND button);

// Sends a message to a window of the program and returns its answer; nothing when the program
// did not answer within a few seconds.
std::optional<LRESULT> Send(HWND window, UINT message, WPARAM w = 0, LPARAM l = 0);

// Posts WM_QUIT with `exit_code` to the thread that owns `window`, as a task manager may end a
// program.
bool PostQuit(HWND window, int exit_code);

// The lines of a list box, in order, and the index of its first visible line.
std::vector<std::string> ListLines(HWND list_box);
int ListTopIndex(HWND list_box);
int ListItemHeight(HWND list_box);

// A window's place and size, comparable and printable in test messages.
struct Box {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;

  friend bool operator==(const Box& a, const Box& b) {
    return a.left == b.left && a.top == b.top && a.width == b.width && a.height == b.height;
  }
  friend std::ostream& operator<<(std::ostream& out, const Box& box) {
    return out << "{left " << box.left << ", top " << box.top << ", width " << box.width
               << ", height " << box.height << "}";
  }
};

// A window relative to the client area of `parent`, on the screen, and its client size.
Box BoundsIn(HWND window, HWND parent);
Box ScreenBounds(HWND window);
SIZE ClientSize(HWND window);

// The control that has the keyboard focus in the thread of `window`; null when none has.
HWND FocusedControl(HWND window);

// Brings `window` to the front and types one key on the keyboard, with Shift held when `shift`
// and Ctrl when `control`. The key goes to the focused control, as typed keys do; wait for its
// effect.
bool PressKey(HWND window, WORD virtual_key, bool shift = false, bool control = false);

// Resizes a top-level window to an outer size, keeping its top-left corner.
void Resize(HWND window, int width, int height);

// Asks a window to close, as its close box does; the program answers in its own time.
void Close(HWND window);

// What the screen shows of a window, frame included, pixel by pixel.
struct Screenshot {
  int width = 0;
  int height = 0;
  std::vector<COLORREF> pixels;  // row by row from the top-left corner

  // x and y relative to the window's top-left corner, inside the picture.
  COLORREF At(int x, int y) const;
  // Writes the picture as a 24-bit BMP file; false when it could not be written.
  bool SaveBmp(const std::wstring& bmp_path) const;
};
std::optional<Screenshot> Capture(HWND window);

}  // namespace ui

// Drives a running program from another process through the window system.
#include "ui_driver.h"

#include <algorithm>
#include <cwctype>
#include <map>
#include <thread>
#include <utility>

#include "gdi_owners.h"
#include "owned_handle.h"
#include "text_encoding.h"

namespace ui {

namespace {

// No single message to the program waits longer than this, so a hung program cannot hang a test.
constexpr Milliseconds kMessageTimeout{5000};

// A limit set for a real CPU, as it applies on this one.
Milliseconds Stretched(Milliseconds limit) {
  static const bool emulated = [] {
    char value[2] = {};
    return GetEnvironmentVariableA("TESTZ_CPU_EMULATED", value, sizeof value) == 1 &&
           value[0] == '1';
  }();
  return emulated ? 3 * limit : limit;
}

// Sends a message to another program's window with a time limit; nothing when it timed out.
std::optional<LRESULT> SendWithTimeout(HWND window, UINT message, WPARAM w, LPARAM l) {
  DWORD_PTR result = 0;
  if (SendMessageTimeoutW(window, message, w, l, SMTO_ABORTIFHUNG | SMTO_BLOCK,
                          static_cast<UINT>(Stretched(kMessageTimeout).count()), &result) == 0) {
    return std::nullopt;
  }
  return static_cast<LRESULT>(result);
}

std::wstring Lowercase(std::wstring text) {
  for (wchar_t& c : text) c = static_cast<wchar_t>(std::towlower(static_cast<wint_t>(c)));
  return text;
}

std::string LastError(const std::string& what) {
  return what + " failed (error " + std::to_string(GetLastError()) + ")";
}

// The environment strings of this process, freed when they go.
using EnvironmentStrings = Owned<wchar_t*, &FreeEnvironmentStringsW>;

// A search of a folder by FindFirstFileW, ended when it goes.
using FolderSearch = Owned<HANDLE, &FindClose>;

// The environment block of this process with `variables` set, sorted by name as Windows wants.
std::wstring EnvironmentBlock(const std::vector<Variable>& variables) {
  std::map<std::wstring, std::wstring> entries;
  const EnvironmentStrings strings(GetEnvironmentStringsW());
  for (const wchar_t* entry = strings.Get(); *entry != L'\0'; entry += wcslen(entry) + 1) {
    const std::wstring line(entry);
    const std::size_t equals = line.find(L'=', 1);  // names like "=C:" start with '='
    if (equals == std::wstring::npos) continue;
    entries[line.substr(0, equals)] = line.substr(equals + 1);
  }
  for (const Variable& variable : variables) {
    const std::wstring name = ToWide(variable.name);
    // Names are not case-sensitive: an existing spelling of the same name is replaced.
    for (auto it = entries.begin(); it != entries.end();) {
      it = Lowercase(it->first) == Lowercase(name) ? entries.erase(it) : std::next(it);
    }
    entries[name] = ToWide(variable.value);
  }
  std::wstring block;
  for (const auto& [name, value] : entries) block += name + L"=" + value + L'\0';
  block += L'\0';
  return block;
}

// Removes everything in `folder`; false, with the first path that could not be removed in `stuck`
// and the system's error as the last error, when something stays.
bool RemoveFolderContents(const std::wstring& folder, std::wstring* stuck) {
  WIN32_FIND_DATAW found;
  HANDLE first = FindFirstFileW((folder + L"\\*").c_str(), &found);
  if (first == INVALID_HANDLE_VALUE) return true;
  const FolderSearch search(first);
  bool ok = true;
  DWORD error = ERROR_SUCCESS;
  do {
    const std::wstring name = found.cFileName;
    if (name == L"." || name == L"..") continue;
    const std::wstring path = folder + L"\\" + name;
    bool removed = false;
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      removed = RemoveFolderContents(path, stuck) && RemoveDirectoryW(path.c_str());
    } else {
      SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
      removed = DeleteFileW(path.c_str());
    }
    if (!removed && ok) {
      error = GetLastError();
      if (stuck->empty()) *stuck = path;
    }
    ok = ok && removed;
  } while (FindNextFileW(search.Get(), &found));
  SetLastError(error);
  return ok;
}

bool MakeFolders(const std::wstring& folder) {
  if (CreateDirectoryW(folder.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS) {
    return true;
  }
  const std::size_t slash = folder.find_last_of(L"\\/");
  if (slash == std::wstring::npos || slash == 0) return false;
  return MakeFolders(folder.substr(0, slash)) &&
         (CreateDirectoryW(folder.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS);
}

struct WindowSearch {
  DWORD process_id;
  std::wstring caption;
  HWND found;
};

BOOL CALLBACK MatchTopLevel(HWND window, LPARAM l) {
  auto* search = reinterpret_cast<WindowSearch*>(l);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner != search->process_id || !IsWindowVisible(window)) return TRUE;
  wchar_t caption[256] = {};
  GetWindowTextW(window, caption, 256);
  if (search->caption != caption) return TRUE;
  search->found = window;
  return FALSE;
}

struct ControlSearch {
  std::wstring class_name;
  std::vector<HWND> found;
};

BOOL CALLBACK MatchControl(HWND window, LPARAM l) {
  auto* search = reinterpret_cast<ControlSearch*>(l);
  wchar_t name[256] = {};
  GetClassNameW(window, name, 256);
  if (Lowercase(name) == search->class_name) search->found.push_back(window);
  return TRUE;
}

void TypeKey(std::vector<INPUT>& inputs, WORD virtual_key, bool up) {
  INPUT input{};
  input.type = INPUT_KEYBOARD;
  input.ki.wVk = virtual_key;
  input.ki.wScan = static_cast<WORD>(MapVirtualKeyW(virtual_key, MAPVK_VK_TO_VSC));
  input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
  inputs.push_back(input);
}

}  // namespace

bool WaitUntil(const std::function<bool()>& condition, Milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + Stretched(timeout);
  while (!condition()) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(Milliseconds(10));
  }
  return true;
}

std::string ToAnsi(const std::wstring& text) {
  return BytesFrom(CP_ACP, text);
}

std::wstring ToWide(const std::string& text) {
  return WideFrom(CP_ACP, text);
}

std::wstring ProgramFolder() {
  wchar_t path[MAX_PATH] = {};
  const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring folder(path, length);
  return folder.substr(0, folder.find_last_of(L"\\/"));
}

bool PrepareFolder(const std::wstring& folder, const std::vector<FileCopy>& files,
                   std::string* error) {
  if (!MakeFolders(folder)) {
    *error = LastError("creating the folder " + ToAnsi(folder));
    return false;
  }
  std::wstring stuck;
  if (!RemoveFolderContents(folder, &stuck)) {
    *error = LastError("emptying the folder " + ToAnsi(folder) + " (" + ToAnsi(stuck) + ")");
    return false;
  }
  for (const FileCopy& file : files) {
    const std::wstring target = folder + L"\\" + file.name;
    if (!CopyFileW(file.source.c_str(), target.c_str(), FALSE)) {
      *error = LastError("copying " + ToAnsi(file.source) + " to " + ToAnsi(target));
      return false;
    }
  }
  return true;
}

bool WriteTextFile(const std::wstring& path, const std::string& bytes) {
  const KernelHandle file = OpenedFile(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr,
                                                   CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  DWORD written = 0;
  const auto size = static_cast<DWORD>(bytes.size());
  return WriteFile(file.Get(), bytes.data(), size, &written, nullptr) && written == size;
}

std::optional<std::string> ReadWholeFile(const std::wstring& path) {
  const KernelHandle file = OpenedFile(CreateFileW(
      path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return std::nullopt;
  std::string content;
  char buffer[4096];
  DWORD read = 0;
  while (ReadFile(file.Get(), buffer, sizeof buffer, &read, nullptr) && read > 0) {
    content.append(buffer, read);
  }
  return content;
}

std::vector<std::string> ReadLines(const std::wstring& path) {
  const std::string content = ReadWholeFile(path).value_or("");
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < content.size()) {
    std::size_t end = content.find('\n', start);
    if (end == std::string::npos) end = content.size();
    std::string line = content.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
    start = end + 1;
  }
  return lines;
}

Program Program::Start(const std::wstring& exe, const std::wstring& folder,
                       const std::vector<Variable>& variables, std::string* error,
                       const std::wstring& arguments, const std::wstring& output_file,
                       StandardHandles handles, const std::wstring& desktop,
                       const std::wstring& error_file, bool own_console) {
  Program program;
  program.job_.Reset(CreateJobObjectW(nullptr, nullptr));
  if (program.job_) {
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    SetInformationJobObject(program.job_.Get(), JobObjectExtendedLimitInformation, &limits,
                            sizeof(limits));
  }
  std::wstring environment = EnvironmentBlock(variables);
  std::wstring command_line = L"\"" + exe + L"\"";
  if (!arguments.empty()) command_line += L" " + arguments;
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  std::wstring desktop_name = desktop;
  if (!desktop_name.empty()) startup.lpDesktop = desktop_name.data();
  if (handles == StandardHandles::kNone) startup.dwFlags = STARTF_USESTDHANDLES;
  KernelHandle output;
  KernelHandle error_output;
  for (const auto& [file, handle] :
       {std::pair{&output_file, &output}, {&error_file, &error_output}}) {
    if (file->empty() || handles == StandardHandles::kNone) continue;
    SECURITY_ATTRIBUTES inherited{sizeof(inherited), nullptr, TRUE};
    *handle = OpenedFile(CreateFileW(file->c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherited,
                                     CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!*handle) {
      *error = LastError("creating " + ToAnsi(*file));
      return program;
    }
  }
  if (output) {
    startup.dwFlags = STARTF_USESTDHANDLES;
    if (handles == StandardHandles::kOutputAndError) startup.hStdOutput = output.Get();
    startup.hStdError = error_output ? error_output.Get() : output.Get();
  }
  const DWORD console = own_console ? CREATE_NEW_CONSOLE : 0;
  PROCESS_INFORMATION started{};
  if (!CreateProcessW(exe.c_str(), command_line.data(), nullptr, nullptr, output ? TRUE : FALSE,
                      CREATE_SUSPENDED | CREATE_UNICODE_ENVIRONMENT | console, environment.data(),
                      folder.c_str(), &startup, &started)) {
    *error = LastError("starting " + ToAnsi(exe));
    return program;
  }
  const KernelHandle thread(started.hThread);
  program.process_.Reset(started.hProcess);
  program.id_ = started.dwProcessId;
  // The job is a safety net only: where it is not available the destructor still kills.
  if (program.job_) AssignProcessToJobObject(program.job_.Get(), started.hProcess);
  ResumeThread(thread.Get());
  return program;
}

Program::Program(Program&& other) noexcept
    : process_(std::move(other.process_)),
      job_(std::move(other.job_)),
      id_(std::exchange(other.id_, 0)) {}

Program& Program::operator=(Program&& other) noexcept {
  if (this != &other) {
    Kill();
    process_ = std::move(other.process_);
    job_ = std::move(other.job_);
    id_ = std::exchange(other.id_, 0);
  }
  return *this;
}

Program::~Program() {
  Kill();
}

bool Program::Running() const {
  return process_ && WaitForSingleObject(process_.Get(), 0) == WAIT_TIMEOUT;
}

HWND Program::WaitForWindow(const std::string& caption, Milliseconds timeout) const {
  WindowSearch search{id_, ToWide(caption), nullptr};
  WaitUntil(
      [&] {
        if (!Running()) return true;  // it will not show a window any more
        EnumWindows(&MatchTopLevel, reinterpret_cast<LPARAM>(&search));
        return search.found != nullptr;
      },
      timeout);
  return search.found;
}

std::optional<DWORD> Program::WaitForExit(Milliseconds timeout) {
  if (!process_) return std::nullopt;
  if (WaitForSingleObject(process_.Get(), static_cast<DWORD>(Stretched(timeout).count())) !=
      WAIT_OBJECT_0) {
    return std::nullopt;
  }
  DWORD code = 0;
  GetExitCodeProcess(process_.Get(), &code);
  return code;
}

void Program::Kill() {
  if (!Running()) return;
  TerminateProcess(process_.Get(), 1);
  WaitForSingleObject(process_.Get(), static_cast<DWORD>(Stretched(kDefaultTimeout).count()));
}

std::vector<HWND> FindControls(HWND root, const std::string& class_name) {
  ControlSearch search{Lowercase(ToWide(class_name)), {}};
  EnumChildWindows(root, &MatchControl, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

std::vector<HWND> Children(HWND parent) {
  std::vector<HWND> children;
  for (HWND child = GetWindow(parent, GW_CHILD); child != nullptr;
       child = GetWindow(child, GW_HWNDNEXT)) {
    children.push_back(child);
  }
  return children;
}

HWND FindControl(HWND root, const std::string& class_name, const std::string& text) {
  for (HWND control : FindControls(root, class_name)) {
    if (Text(control) == text) return control;
  }
  return nullptr;
}

std::string ClassName(HWND window) {
  wchar_t name[256] = {};
  const int length = GetClassNameW(window, name, 256);
  return ToAnsi(std::wstring(name, static_cast<std::size_t>(std::max(length, 0))));
}

std::string Text(HWND window) {
  const std::optional<LRESULT> length = SendWithTimeout(window, WM_GETTEXTLENGTH, 0, 0);
  if (!length || *length <= 0) return {};
  std::wstring text(static_cast<std::size_t>(*length) + 1, L'\0');
  const std::optional<LRESULT> copied =
      SendWithTimeout(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
  if (!copied) return {};
  text.resize(static_cast<std::size_t>(std::max<LRESULT>(*copied, 0)));
  return ToAnsi(text);
}

bool IsEnabled(HWND window) {
  return IsWindowEnabled(window) != FALSE;
}

bool IsVisible(HWND window) {
  return IsWindowVisible(window) != FALSE;
}

bool IsChecked(HWND button) {
  return SendWithTimeout(button, BM_GETCHECK, 0, 0).value_or(BST_UNCHECKED) == BST_CHECKED;
}

bool Click(HWND button) {
  if (!IsEnabled(button)) return false;
  return PostMessageW(button, BM_CLICK, 0, 0) != FALSE;
}

std::optional<LRESULT> Send(HWND window, UINT message, WPARAM w, LPARAM l) {
  return SendWithTimeout(window, message, w, l);
}

bool PostQuit(HWND window, int exit_code) {
  const DWORD thread = GetWindowThreadProcessId(window, nullptr);
  return thread != 0 && PostThreadMessageW(thread, WM_QUIT, static_cast<WPARAM>(exit_code), 0);
}

bool DoubleClick(HWND button) {
  HWND top = GetAncestor(button, GA_ROOT);
  SetForegroundWindow(top);
  if (!WaitUntil([&] { return GetForegroundWindow() == top; })) return false;
  RECT bounds{};
  GetWindowRect(button, &bounds);
  // Absolute mouse positions run from 0 to 65535 across the primary screen.
  const int screen_width = GetSystemMetrics(SM_CXSCREEN);
  const int screen_height = GetSystemMetrics(SM_CYSCREEN);
  const LONG x = ((bounds.left + bounds.right) / 2) * 65535 / (screen_width - 1);
  const LONG y = ((bounds.top + bounds.bottom) / 2) * 65535 / (screen_height - 1);
  std::vector<INPUT> inputs;
  for (DWORD flags :
       {DWORD{MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE}, DWORD{MOUSEEVENTF_LEFTDOWN},
        DWORD{MOUSEEVENTF_LEFTUP}, DWORD{MOUSEEVENTF_LEFTDOWN}, DWORD{MOUSEEVENTF_LEFTUP}}) {
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dx = x;
    input.mi.dy = y;
    input.mi.dwFlags = flags | MOUSEEVENTF_ABSOLUTE;
    inputs.push_back(input);
  }
  const UINT count = static_cast<UINT>(inputs.size());
  return SendInput(count, inputs.data(), sizeof(INPUT)) == count;
}

std::vector<std::string> ListLines(HWND list_box) {
  // LB_GETTEXT takes no buffer size, and a line may grow between asking its length and reading
  // it while the program runs: the buffer leaves room far beyond any line the program writes.
  constexpr std::size_t kRoom = 65536;
  std::vector<std::string> lines;
  std::wstring buffer;
  const LRESULT count = SendWithTimeout(list_box, LB_GETCOUNT, 0, 0).value_or(0);
  for (LRESULT i = 0; i < count; ++i) {
    const auto index = static_cast<WPARAM>(i);
    const LRESULT length = SendWithTimeout(list_box, LB_GETTEXTLEN, index, 0).value_or(LB_ERR);
    if (length == LB_ERR) break;
    buffer.assign(std::max(static_cast<std::size_t>(length) + 1, kRoom), L'\0');
    // The W message: across processes the list box converts only the UTF-16 form.
    const LRESULT copied =
        SendWithTimeout(list_box, LB_GETTEXT, index, reinterpret_cast<LPARAM>(buffer.data()))
            .value_or(LB_ERR);
    if (copied == LB_ERR) break;
    lines.push_back(ToAnsi(buffer.substr(0, static_cast<std::size_t>(copied))));
  }
  return lines;
}

int ListTopIndex(HWND list_box) {
  return static_cast<int>(SendWithTimeout(list_box, LB_GETTOPINDEX, 0, 0).value_or(LB_ERR));
}

int ListItemHeight(HWND list_box) {
  return static_cast<int>(SendWithTimeout(list_box, LB_GETITEMHEIGHT, 0, 0).value_or(LB_ERR));
}

namespace {

Box BoxOf(const RECT& rect) {
  return Box{rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top};
}

}  // namespace

Box BoundsIn(HWND window, HWND parent) {
  RECT bounds{};
  GetWindowRect(window, &bounds);
  MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&bounds), 2);
  return BoxOf(bounds);
}

SIZE ClientSize(HWND window) {
  RECT client{};
  GetClientRect(window, &client);
  return SIZE{client.right - client.left, client.bottom - client.top};
}

Box ScreenBounds(HWND window) {
  RECT bounds{};
  GetWindowRect(window, &bounds);
  return BoxOf(bounds);
}

HWND FocusedControl(HWND window) {
  GUITHREADINFO info{};
  info.cbSize = sizeof(info);
  if (!GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info)) return nullptr;
  return info.hwndFocus;
}

bool PressKey(HWND window, WORD virtual_key, bool shift, bool control) {
  SetForegroundWindow(window);
  if (!WaitUntil([&] { return GetForegroundWindow() == window; })) return false;
  std::vector<INPUT> inputs;
  if (shift) TypeKey(inputs, VK_SHIFT, false);
  if (control) TypeKey(inputs, VK_CONTROL, false);
  TypeKey(inputs, virtual_key, false);
  TypeKey(inputs, virtual_key, true);
  if (control) TypeKey(inputs, VK_CONTROL, true);
  if (shift) TypeKey(inputs, VK_SHIFT, true);
  const UINT count = static_cast<UINT>(inputs.size());
  return SendInput(count, inputs.data(), sizeof(INPUT)) == count;
}

void Resize(HWND window, int width, int height) {
  SetWindowPos(window, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Close(HWND window) {
  PostMessageW(window, WM_CLOSE, 0, 0);
}

std::optional<Screenshot> Capture(HWND window) {
  const Box bounds = ScreenBounds(window);
  Screenshot shot;
  shot.width = bounds.width;
  shot.height = bounds.height;
  if (shot.width <= 0 || shot.height <= 0) return std::nullopt;
  const WindowDc screen(nullptr);
  const MemoryDc memory(CreateCompatibleDC(screen.Get()));
  const GdiObject<HBITMAP> bitmap(CreateCompatibleBitmap(screen.Get(), shot.width, shot.height));
  bool copied = false;
  {
    const Selection selected(memory.Get(), bitmap.Get());
    copied = BitBlt(memory.Get(), 0, 0, shot.width, shot.height, screen.Get(), bounds.left,
                    bounds.top, SRCCOPY) != FALSE;
  }
  BITMAPINFOHEADER header{};
  header.biSize = sizeof(header);
  header.biWidth = shot.width;
  header.biHeight = -shot.height;  // rows from the top
  header.biPlanes = 1;
  header.biBitCount = 32;
  header.biCompression = BI_RGB;
  std::vector<DWORD> rows(static_cast<std::size_t>(shot.width) *
                          static_cast<std::size_t>(shot.height));
  const bool read =
      copied &&
      GetDIBits(memory.Get(), bitmap.Get(), 0, static_cast<UINT>(shot.height), rows.data(),
                reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS) == shot.height;
  if (!read) return std::nullopt;
  shot.pixels.reserve(rows.size());
  for (DWORD pixel : rows) {  // 0x00rrggbb in a DIB, 0x00bbggrr in a COLORREF
    shot.pixels.push_back(RGB(GetBValue(pixel), GetGValue(pixel), GetRValue(pixel)));
  }
  return shot;
}

COLORREF Screenshot::At(int x, int y) const {
  return pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                static_cast<std::size_t>(x)];
}

bool Screenshot::SaveBmp(const std::wstring& bmp_path) const {
  // 24 bits per pixel, rows bottom-up and padded to four bytes, as BMP files hold them.
  const DWORD row_bytes = (static_cast<DWORD>(width) * 3 + 3) & ~3u;
  const DWORD image_bytes = row_bytes * static_cast<DWORD>(height);
  std::vector<BYTE> image(image_bytes, 0);
  for (int y = 0; y < height; ++y) {
    BYTE* row = image.data() + static_cast<std::size_t>(height - 1 - y) * row_bytes;
    for (int x = 0; x < width; ++x) {
      const COLORREF pixel = At(x, y);
      row[3 * x] = GetBValue(pixel);
      row[3 * x + 1] = GetGValue(pixel);
      row[3 * x + 2] = GetRValue(pixel);
    }
  }
  BITMAPINFOHEADER header{};
  header.biSize = sizeof(header);
  header.biWidth = width;
  header.biHeight = height;
  header.biPlanes = 1;
  header.biBitCount = 24;
  header.biCompression = BI_RGB;
  header.biSizeImage = image_bytes;
  BITMAPFILEHEADER file{};
  file.bfType = 0x4D42;  // "BM"
  file.bfOffBits = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
  file.bfSize = file.bfOffBits + image_bytes;
  const KernelHandle output = OpenedFile(CreateFileW(
      bmp_path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!output) return false;
  DWORD written = 0;
  bool ok =
      WriteFile(output.Get(), &file, sizeof(file), &written, nullptr) && written == sizeof(file);
  ok = ok && WriteFile(output.Get(), &header, sizeof(header), &written, nullptr) &&
       written == sizeof(header);
  ok = ok && WriteFile(output.Get(), image.data(), image_bytes, &written, nullptr) &&
       written == image_bytes;
  return ok;
}

}  // namespace ui

// The output log's commands: one table, shown as the list's context menu and run by Ctrl keys.
#include "log_menu.h"

#include <windowsx.h>

#include <cstddef>
#include <iterator>

#include "log_clipboard.h"
#include "log_text.h"
#include "owned_handle.h"
#include "save_log_dialog.h"

namespace {

int SelectedLine(const ListBoxControl& log) {
  return static_cast<int>(SendMessageA(log.Handle(), LB_GETCURSEL, 0, 0));
}

// The selected line, or the whole log when none is selected.
void CopySelection(HWND owner, const ListBoxControl& log) {
  const int selected = SelectedLine(log);
  PutTextOnClipboard(owner, selected == LB_ERR ? LogText(log) : log.Read(selected));
}

void CopyAll(HWND owner, const ListBoxControl& log) {
  PutTextOnClipboard(owner, LogText(log));
}

void SaveAs(HWND owner, const ListBoxControl& log) {
  SaveLogAs(owner, LogText(log));
}

struct LogCommand {
  const wchar_t* text;   // in the context menu
  char key;              // with Ctrl, in the list; 0 for none
  bool needs_selection;  // greyed in the menu while no line is selected
  // Not offered while the START procedure runs: the command opens a dialog, whose own message
  // loop would hold up the halt attempts.
  bool opens_dialog;
  void (*run)(HWND owner, const ListBoxControl& log);
};

// In the menu's order; a command's menu identifier is its place in it, from 1.
constexpr LogCommand kLogCommands[] = {
    {L"Copy", 'C', true, false, &CopySelection},
    {L"Copy all", 0, false, false, &CopyAll},
    {L"Save log as\u2026", 'S', false, true, &SaveAs},
};

using PopupMenu = Owned<HMENU, &DestroyMenu>;

}  // namespace

bool RunLogKey(HWND owner, const ListBoxControl& log, UINT key, bool procedure_running,
               PlatformSignals& signals) {
  if (GetKeyState(VK_CONTROL) >= 0) return false;
  for (const LogCommand& command : kLogCommands) {
    if (command.key != 0 && static_cast<UINT>(command.key) == key) {
      if (command.opens_dialog && procedure_running) {
        signals.Refused();
        return true;
      }
      command.run(owner, log);
      return true;
    }
  }
  return false;
}

void ShowLogMenu(HWND owner, const ListBoxControl& log, LPARAM at) {
  const PopupMenu menu(CreatePopupMenu());
  if (!menu) return;
  const bool selected = SelectedLine(log) != LB_ERR;
  for (std::size_t i = 0; i < std::size(kLogCommands); ++i) {
    const LogCommand& command = kLogCommands[i];
    const UINT state = command.needs_selection && !selected ? MF_GRAYED : MF_ENABLED;
    AppendMenuW(menu.Get(), MF_STRING | state, i + 1, command.text);
  }
  POINT point{GET_X_LPARAM(at), GET_Y_LPARAM(at)};
  if (at == -1) {
    // From the keyboard: at the list's top-left corner.
    point = POINT{0, 0};
    ClientToScreen(log.Handle(), &point);
  }
  const auto chosen = static_cast<std::size_t>(
      TrackPopupMenu(menu.Get(), TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_NONOTIFY, point.x, point.y,
                     0, owner, nullptr));
  if (chosen >= 1 && chosen <= std::size(kLogCommands)) kLogCommands[chosen - 1].run(owner, log);
}

// The output log's list control realised by a standard list box of 8-bit text.
#include "list_box_control.h"

#include <vector>

namespace {

LRESULT Send(HWND list_box, UINT message, WPARAM w, const std::string& text) {
  return SendMessageA(list_box, message, w, reinterpret_cast<LPARAM>(text.c_str()));
}

// The answer of LB_ADDSTRING and LB_INSERTSTRING: the new line's index, or a refusal.
bool Added(LRESULT answer) {
  return answer != LB_ERR && answer != LB_ERRSPACE;
}

}  // namespace

int ListBoxControl::Count() const {
  return static_cast<int>(SendMessageA(list_box_, LB_GETCOUNT, 0, 0));
}

bool ListBoxControl::Add(std::string_view text) {
  return Added(Send(list_box_, LB_ADDSTRING, 0, std::string(text)));
}

std::string ListBoxControl::Read(int index) const {
  const auto item = static_cast<WPARAM>(index);
  const LRESULT length = SendMessageA(list_box_, LB_GETTEXTLEN, item, 0);
  if (length == LB_ERR) return {};
  std::vector<char> buffer(static_cast<std::size_t>(length) + 1, '\0');
  const LRESULT copied =
      SendMessageA(list_box_, LB_GETTEXT, item, reinterpret_cast<LPARAM>(buffer.data()));
  if (copied == LB_ERR) return {};
  return std::string(buffer.data(), static_cast<std::size_t>(copied));
}

bool ListBoxControl::Replace(int index, std::string_view text) {
  const auto item = static_cast<WPARAM>(index);
  const LRESULT top = SendMessageA(list_box_, LB_GETTOPINDEX, 0, 0);
  const bool selected = SendMessageA(list_box_, LB_GETCURSEL, 0, 0) == index;
  // The list box has no replace of its own: the new line is put in at the old one's place, then
  // the old one, now after it, is taken out; a refused new line leaves the old one as it was.
  // Drawing is off meanwhile, so that the list box updates its scroll bar once, for the list as
  // it ends up, rather than for one line more and then again; the caller redraws the list.
  SendMessageA(list_box_, WM_SETREDRAW, FALSE, 0);
  if (!Added(Send(list_box_, LB_INSERTSTRING, item, std::string(text)))) {
    SendMessageA(list_box_, WM_SETREDRAW, TRUE, 0);
    return false;
  }
  SendMessageA(list_box_, LB_DELETESTRING, item + 1, 0);
  if (selected) SendMessageA(list_box_, LB_SETCURSEL, item, 0);
  SendMessageA(list_box_, WM_SETREDRAW, TRUE, 0);
  SendMessageA(list_box_, LB_SETTOPINDEX, static_cast<WPARAM>(top), 0);
  return true;
}

void ListBoxControl::Clear() {
  SendMessageA(list_box_, LB_RESETCONTENT, 0, 0);
}

void ListBoxControl::SetFirstVisible(int index) {
  SendMessageA(list_box_, LB_SETTOPINDEX, static_cast<WPARAM>(index), 0);
}

void ListBoxControl::RedrawNow() {
  // The lines: the list box paints every pixel of them and of the space below them itself. Its
  // frame and scroll bar it updates on its own as lines come and go and as it scrolls; painting
  // them here as well would draw them twice per write. A list not shown yet (the start-up lines)
  // is drawn whole when it is first shown.
  if (IsWindowVisible(list_box_)) {
    RedrawWindow(list_box_, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  }
}

// The output log's list control realised by a standard list box of 8-bit text.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

#include "output_log.h"

// Every text goes through the list box's 8-bit messages, so the window system converts it with
// the ANSI code page both ways and bytes above 127 come back as they went in.
class ListBoxControl final : public ListControl {
 public:
  ListBoxControl() = default;
  explicit ListBoxControl(HWND list_box) : list_box_(list_box) {}

  HWND Handle() const { return list_box_; }

  int Count() const override;
  // False when the list box refuses the line (LB_ERR, LB_ERRSPACE).
  bool Add(std::string_view text) override;
  std::string Read(int index) const override;
  // Keeps the line's position, the selection and the first visible line. A refused text leaves
  // the old one in place. The list box is not drawn meanwhile: the new text shows at its next
  // paint (RedrawNow).
  bool Replace(int index, std::string_view text) override;
  void Clear() override;
  void SetFirstVisible(int index) override;
  void RedrawNow() override;

 private:
  HWND list_box_ = nullptr;
};

// The main window's controls, made from the layout table and kept in their places: the window's
// DPI, font and icons, each control's place and size, labels fitted to their texts, and which
// push button the keyboard focus goes to.
#pragma once

#include <windows.h>

#include <array>
#include <cstddef>
#include <optional>
#include <string_view>
#include <vector>

#include "gdi_owners.h"
#include "list_box_control.h"
#include "main_form_layout.h"
#include "window_icons.h"

// One control of the layout: its window and, for a radio group, the radio buttons beside its
// frame, created right after it, the first one starting the group.
struct FormControl {
  HWND window = nullptr;
  std::vector<HWND> items;

  // A radio group's checked item, or -1 when none is.
  int ItemIndex() const;
  // After a click on `item`: the checked item becomes the group's tab stop, so that Tab comes
  // back to the selection. Nothing when `item` is not one of this control's.
  void FollowSelection(HWND item) const;
};

// Every control of kMainFormLayout, made in the main window. The controls go with the window, the
// font they use with this object: the window is destroyed first.
class MainFormControls {
 public:
  // Sizes `window` for the DPI of the screen it stands on, gives it the window font and, on a
  // screen whose DPI is not `class_icon_dpi`, the one its class's icons are drawn for, the
  // program's icons at that screen's sizes; makes every control of the layout in its place, with
  // its texts and state. Throws when a control cannot be made.
  MainFormControls(HWND window, HINSTANCE instance, int class_icon_dpi);
  MainFormControls(const MainFormControls&) = delete;
  MainFormControls& operator=(const MainFormControls&) = delete;

  const FormControl& Control(ControlName name) const {
    return controls_[static_cast<std::size_t>(name)];
  }
  ListBoxControl& ListBox1() { return list_box_; }
  const ListBoxControl& ListBox1() const { return list_box_; }

  // Which control of the layout `control` is, by its id; none for any other window (a radio
  // item, the main window).
  std::optional<ControlName> NameOf(HWND control) const;
  // After a click on `item`: its radio group, if it is a radio item, tabs back to the selection.
  void FollowSelection(HWND item) const;

  // Enables or disables a push button. A button being disabled hands the keyboard focus to the
  // next enabled push button of the layout, or else to the next control in the tab order, where
  // it waits; a button enabled while the focus waits there takes it.
  void EnableButton(ControlName button, bool enabled);
  // Gives a label a new text, fitted to it and drawn at once.
  void SetLabelText(ControlName label, std::string_view text);
  // Gives a status line a new text, drawn with the window's next paint.
  void SetStatusText(ControlName line, std::wstring_view text);

  // Moves and sizes every control to its place for this client area at the window's DPI, radio
  // items included and labels sized to their texts: on a resize. Nothing moves when the client
  // area, DPI and line height are those of the last layout.
  void LayOut(int client_width, int client_height);
  // The window now stands on a screen of `dpi` (or that screen's scale changed): it takes the
  // `suggested` outer rectangle, a new font for every control, its icons at the new sizes and
  // the whole layout anew.
  void ChangeDpi(int dpi, const RECT& suggested);

 private:
  // Makes one control of the layout in its place in its parent, with its texts, styles and font.
  FormControl CreateControl(const ControlLayout& layout, const ControlPlace& place);
  HWND CreateChild(const char* window_class, const char* text, DWORD style, DWORD ex_style,
                   HWND parent, int id, const Bounds& bounds);
  // A child just made, given the window font; throws when it could not be made.
  HWND WithFont(HWND child, const char* window_class) const;
  // The layout for the window's client area as it is now.
  MainFormPlaces CurrentPlaces() const;
  // The program's icon in the title bar and the task switcher, at the sizes of the window's DPI.
  void SetIcons();
  // The first enabled push button after `button` in the layout, round to its start; null when
  // no other is enabled.
  HWND NextEnabledButton(ControlName button) const;

  HWND window_;
  HINSTANCE instance_;
  int dpi_ = kDesignDpi;                 // of the screen the window stands on
  GdiObject<HFONT> font_;                // the window font at dpi_, on the window and every control
  int line_height_ = kDesignTextHeight;  // one line of text (LineHeightAt)
  WindowIcons icons_;                    // the window's own icons at dpi_, if it has its own
  std::array<FormControl, kControlCount> controls_;  // indexed by ControlName
  // What the controls' places were last computed from: client width and height, DPI, line height.
  using LayoutInputs = std::array<int, 4>;
  LayoutInputs laid_out_for_{};
  ListBoxControl list_box_;      // ListBox1 as the log's list control
  HWND parked_focus_ = nullptr;  // where a disabled button left the focus
};

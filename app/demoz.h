// The main window TMainform: its controls and its four handlers.
#pragma once

#include <windows.h>

#include <array>
#include <cstddef>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include "gdi_owners.h"
#include "list_box_control.h"
#include "main_form_layout.h"
#include "platform_signals.h"
#include "recovery_procedure.h"
#include "window.h"
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

class TMainform final : public Window, public RecoveryWindow {
 public:
  // Creates the window and all its controls; the window is not visible yet. The effects beyond
  // the window go to `signals` (which must outlive the window), or, when none is given, to the
  // system through the window's own.
  explicit TMainform(HINSTANCE instance, PlatformSignals* signals = nullptr);
  ~TMainform() override;

  // The first show: FormShow runs, then the window is centred on the screen and becomes visible.
  void Show(int show_command);

  void SetStartEnabled(bool enabled) override;
  void SetStopEnabled(bool enabled) override;
  ListControl& Log() override;
  int HardwareTypeIndex() override;
  int CommunicationTypeIndex() override;
  void SetVersionLabel(std::string_view text) override;
  void ProcessMessages() override;
  void HaltLoopStarted() override;
  void HaltLoopEnded() override;

  // The controls by their layout names.
  ListBoxControl& ListBox1() { return list_box_; }
  const ListBoxControl& ListBox1() const { return list_box_; }
  HWND Panel1() const { return Control(ControlName::Panel1).window; }
  HWND Label6() const { return Control(ControlName::Label6).window; }
  HWND Button1() const { return Control(ControlName::Button1).window; }
  const FormControl& hardwaretype() const { return Control(ControlName::hardwaretype); }
  const FormControl& communicationtype() const { return Control(ControlName::communicationtype); }
  HWND Button2() const { return Control(ControlName::Button2).window; }

  void Button1Click();
  void FormShow();
  void FormClose();
  void Button2Click();

 protected:
  LRESULT HandleMessage(UINT message, WPARAM w, LPARAM l) override;
  void HandleClose() noexcept override;

 private:
  const FormControl& Control(ControlName name) const {
    return controls_[static_cast<std::size_t>(name)];
  }
  // Makes one control of the layout in its place in its parent, with its texts, styles and font.
  FormControl CreateControl(const ControlLayout& layout, const ControlPlace& place);
  HWND CreateChild(const char* window_class, const char* text, DWORD style, DWORD ex_style,
                   HWND parent, int id, const Bounds& bounds);
  // Moves and sizes every control to its place for this client area at the window's DPI, radio
  // items included and labels sized to their texts: on a resize and on a DPI change. Nothing
  // moves when the client area, DPI and line height are those of the last layout.
  void LayOut(int client_width, int client_height);
  // The layout for the window's client area as it is now.
  MainFormPlaces CurrentPlaces() const;
  // The program's icon in the title bar and the task switcher, at the sizes of the window's DPI.
  void SetIcons();
  // Enables or disables START or STOP; the keyboard focus follows from one to the other.
  void EnableButton(HWND button, bool enabled);
  void CentreOnScreen();

  void OnSize(int client_width, int client_height);
  void OnDpiChanged(int dpi, const RECT& suggested);
  void OnCommand(int id, int code, HWND control);
  LRESULT OnCtlColorStatic(WPARAM w, LPARAM l);
  void OnSystemLookChange();
  void OnActivate(WPARAM w);
  void OnSetFocus();
  LRESULT OnQueryEndSession();
  void OnEndSession(bool ending);
  void OnDestroy();
  LRESULT OnVKeyToItem(WPARAM w);
  void OnContextMenu(HWND target, LPARAM l);
  // Copies the selected line, or the whole log when `whole` or no line is selected.
  void CopyLog(bool whole);

  HINSTANCE instance_;
  int dpi_ = kDesignDpi;                 // of the screen the window stands on
  GdiObject<HFONT> font_;                // the window font at dpi_, on the window and every control
  int line_height_ = kDesignTextHeight;  // one line of text (LineHeightAt)
  OwnedIcon large_icon_;                 // the window's icons at dpi_
  OwnedIcon small_icon_;
  std::array<FormControl, kControlCount> controls_;  // indexed by ControlName
  bool controls_made_ = false;
  // What the controls' places were last computed from: client width and height, DPI, line height.
  using LayoutInputs = std::array<int, 4>;
  LayoutInputs laid_out_for_{};
  ListBoxControl list_box_;  // ListBox1 as the log's list control
  HWND saved_focus_ = nullptr;
  HWND parked_focus_ = nullptr;  // where a disabled button left the focus
  bool procedure_running_ = false;
  bool close_pending_ = false;
  UINT taskbar_button_created_ = 0;  // registered at run time; 0 when it could not be
  std::unique_ptr<PlatformSignals> own_signals_;
  PlatformSignals* signals_ = nullptr;
  std::optional<KeepAwakeRequest> awake_;  // held while the halt loop runs
};

// The main window TMainform: its controls, its four handlers and the global Mainform.
#pragma once

#include <windows.h>

#include <string_view>
#include <vector>

#include "list_box_control.h"
#include "main_form_layout.h"
#include "recovery_procedure.h"
#include "window.h"

// A captioned frame with one column of radio buttons; the buttons are the frame's siblings,
// created right after it, the first one starting the group.
struct RadioGroup {
  HWND frame = nullptr;
  std::vector<HWND> items;

  // The checked item, or -1 when none is.
  int ItemIndex() const;
  // After a click on `item`: the checked item becomes the group's tab stop, so that Tab comes
  // back to the selection.
  void FollowSelection(HWND item) const;
};

class TMainform final : public Window, public RecoveryWindow {
 public:
  // Creates the window and all its controls; the window is not visible yet.
  explicit TMainform(HINSTANCE instance);
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

  ListBoxControl ListBox1;
  HWND Panel1 = nullptr;
  HWND Button1 = nullptr;
  HWND Label8 = nullptr;
  HWND Label1 = nullptr;
  HWND Label5 = nullptr;
  HWND Label6 = nullptr;
  RadioGroup hardwaretype;
  RadioGroup communicationtype;
  HWND Button2 = nullptr;

  void Button1Click();
  void FormShow();
  void FormClose();
  void Button2Click();

 protected:
  LRESULT HandleMessage(UINT message, WPARAM w, LPARAM l) override;

 private:
  HWND CreateControl(const ControlLayout& layout, const ControlPlace& place);
  RadioGroup CreateRadioGroup(const ControlLayout& layout, const ControlPlace& place);
  HWND CreateChild(const char* window_class, const char* text, DWORD style, DWORD ex_style,
                   const Bounds& bounds, HWND parent, int id);
  void FitLabelToText(HWND label);
  // Moves the panel and the list to their places.
  void PlaceDocked(const MainFormPlaces& places);
  // Moves and sizes every control inside the panel to its place, labels sized to their texts.
  void PlacePanelControls(const MainFormPlaces& places);
  // The program's icon in the title bar and the task switcher.
  void SetIcons();
  // Enables or disables START or STOP; the keyboard focus follows from one to the other.
  void EnableButton(HWND button, bool enabled);
  void CentreOnScreen();

  void OnSize(int client_width, int client_height);
  void OnDpiChanged(int dpi, const RECT& suggested);
  void OnCommand(int id, int code, HWND control);
  LRESULT OnCtlColorStatic(WPARAM w, LPARAM l);
  void OnActivate(WPARAM w);
  void OnSetFocus();
  void OnClose();
  LRESULT OnQueryEndSession();
  void OnEndSession(bool ending);
  void OnDestroy();

  HINSTANCE instance_;
  int dpi_ = kDesignDpi;                 // of the screen the window stands on
  GdiObject<HFONT> font_;                // the window font at dpi_, on the window and every control
  int line_height_ = kDesignTextHeight;  // one line of font_
  HWND saved_focus_ = nullptr;
  HWND parked_focus_ = nullptr;  // where a disabled button left the focus
  bool procedure_running_ = false;
  bool close_pending_ = false;
};

// The program's one main window, set by start-up.
extern TMainform* Mainform;

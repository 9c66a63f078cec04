// The main window TMainform: its controls by their layout names, its four handlers, what the
// START procedure asks of it, and the presses an unattended run makes.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "attempt_count.h"
#include "list_box_control.h"
#include "locale_numbers.h"
#include "main_form_controls.h"
#include "main_form_layout.h"
#include "platform_signals.h"
#include "recovery_window.h"
#include "rig_window.h"
#include "run_observer.h"
#include "run_session.h"
#include "told_list.h"
#include "window.h"

class TMainform final : public Window, public RecoveryWindow, public RigWindow {
 public:
  // Creates the window and all its controls; the window is not visible yet. The effects beyond
  // the window go to `signals` (which must outlive the window), or, when none is given, to the
  // system through the window's own. `observer`, where there is one, is told what happens (an
  // unattended run) and must outlive the window.
  explicit TMainform(HINSTANCE instance, PlatformSignals* signals = nullptr,
                     RunObserver* observer = nullptr);
  ~TMainform() override;

  // The first show: FormShow runs, then the window is centred on the screen and becomes visible.
  void Show(int show_command);

  void SetStartEnabled(bool enabled) override;
  void SetStopEnabled(bool enabled) override;
  ListControl& Log() override;
  void SetVersionLabel(std::string_view text) override;
  void PortChosen(std::optional<std::uint32_t> port,
                  const std::vector<std::string>& descriptors) override;
  void CableVersionRead(std::uint16_t version) override;
  void ProcessMessages() override;
  void HaltLoopStarted() override;
  void HaltLoopEnded(const HaltCount& count) override;
  void ShowHaltCount(const HaltCount& count) override;

  void PressStart(int hardware_type, const PortChoice& port) override;
  void PressStop() override;
  void Close() override;

  // The controls by their layout names.
  ListBoxControl& ListBox1() { return controls_->ListBox1(); }
  const ListBoxControl& ListBox1() const { return controls_->ListBox1(); }
  HWND Panel1() const { return Control(ControlName::Panel1).window; }
  HWND Label6() const { return Control(ControlName::Label6).window; }
  HWND Button1() const { return Control(ControlName::Button1).window; }
  const FormControl& hardwaretype() const { return Control(ControlName::hardwaretype); }
  const FormControl& communicationtype() const { return Control(ControlName::communicationtype); }
  HWND Button2() const { return Control(ControlName::Button2).window; }
  HWND AttemptCount() const { return Control(ControlName::AttemptCount).window; }

  // The handlers; a click on a control runs the one its layout row names.
  void Button1Click();
  void FormShow();
  void FormClose();
  void Button2Click();

 protected:
  LRESULT HandleMessage(UINT message, WPARAM w, LPARAM l) override;
  void HandleClose() noexcept override;

 private:
  const FormControl& Control(ControlName name) const { return controls_->Control(name); }
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

  // Both made once the window exists; until then the window's messages get the system's default
  // handling.
  std::unique_ptr<RunSession> session_;
  std::unique_ptr<MainFormControls> controls_;
  std::unique_ptr<AttemptCountDisplay> attempt_count_;
  // The log as the procedure and FormShow write it: the list box, told to the observer.
  std::optional<ToldList> told_log_;
  HWND saved_focus_ = nullptr;  // the control that had the focus when the window was left
  PortChoice port_;             // the port START opens: port 1 unless a run asked for another
  RunObserver* observer_;
};

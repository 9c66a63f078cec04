// Test doubles for the START procedure: a scripted interface library and a recording window.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "interface_kinds.h"
#include "library_contract.h"
#include "recovery_window.h"

// Room for every PortType the program uses, indexed by the type itself.
inline constexpr std::size_t kPortTypeSlots = kInterfaceKinds.back().port_type + 1;

// Everything the procedure did through both doubles, in order: library calls as
// "open_port(3,1)", finished log lines as "line <text>", and window actions.
using Journal = std::vector<std::string>;

// The interface library, answering from a script. It fills the EntryPointTable while it exists;
// only one may exist at a time. Its default answers carry junk in the bits that the procedure
// must not read: yes/no answers above the low byte, versions above the low 16 bits.
class ScriptedLibrary {
 public:
  explicit ScriptedLibrary(Journal& journal);
  ~ScriptedLibrary();
  ScriptedLibrary(const ScriptedLibrary&) = delete;
  ScriptedLibrary& operator=(const ScriptedLibrary&) = delete;

  std::string version = "Interface library 4.56";
  // Ports attached, by PortType.
  std::array<std::uint32_t, kPortTypeSlots> counts = {};
  // The answer to the ask-th count of a type (1 for the report's, 2 for the connection's, ...);
  // by default counts[type].
  std::function<std::uint32_t(std::uint32_t type, int ask)> count;
  // The descriptor of a port; by default "port <type>/<index>" from a buffer that the next call
  // overwrites.
  std::function<const char*(std::uint32_t type, std::uint32_t index)> descriptor;
  std::uint32_t open_result = 0xFFFFFF01u;
  std::uint32_t mode_result = 0x7F000001u;
  std::uint32_t critical_error = 0xABCD0100u;
  // Answers of the first, second and third get_dll_version call.
  std::array<std::uint32_t, 3> dll_versions = {0xDEAD007Bu, 0xDEAD007Bu, 0xDEAD007Bu};
  std::uint32_t cable_version = 0xDEAD0123u;
  // Runs in each halt attempt (numbered from 1 over the library's life) with the status byte the
  // procedure passed; by default the processor halts in every attempt.
  std::function<void(int attempt, std::uint8_t& status)> halt;

  // Per halt attempt: the status address passed and the value found there on entry.
  std::vector<const std::uint8_t*> status_addresses;
  std::vector<std::uint8_t> status_on_entry;
  int halt_attempts() const { return static_cast<int>(status_addresses.size()); }

  // True while the binding's table still holds the script's exports: nothing has unloaded or
  // abandoned the library since the script was put in place.
  bool Installed() const;

 private:
  friend struct LibraryCalls;
  Journal& journal_;
  std::array<int, kPortTypeSlots> asks_ = {};
  std::string descriptor_buffer_;
  int dll_version_calls_ = 0;
};

// A halt script: the processor halts in attempt n; the status is not written before.
std::function<void(int, std::uint8_t&)> HaltsAt(int n);

// The main window, recording what the procedure does with it. The log is an in-memory list.
class ScriptedWindow final : public RecoveryWindow {
 public:
  explicit ScriptedWindow(Journal& journal) : log_(journal), journal_(journal) {}

  std::string label = "?.??";
  std::optional<std::uint16_t> cable_version;  // as the procedure told it
  // The descriptors PortChosen was last told; each call is journaled as "port chosen <port>", or
  // "port chosen none".
  std::vector<std::string> descriptors_told;
  bool start_enabled = true;
  bool stop_enabled = false;
  // Runs inside the pass over pending messages (numbered from 1); a STOP click sets
  // StopRequested here. A loop that has not ended after kMessagePassLimit passes fails the test
  // and is stopped.
  std::function<void(int pass)> on_messages;
  int message_passes = 0;
  bool halt_loop_running = false;        // a halt loop started and not yet ended
  std::vector<HaltCount> counts_shown;   // while the halt loops ran
  std::optional<HaltCount> final_count;  // of the last halt loop, as it ended
  static constexpr int kMessagePassLimit = 100000;

  std::vector<std::string>& lines() { return log_.lines; }
  // The most lines the log holds: it refuses to add more.
  std::size_t& log_line_limit() { return log_.line_limit; }
  // The list's first visible line, as the log last scrolled it or as a test scrolls it.
  int& first_visible_line() { return log_.first_visible; }

  void SetStartEnabled(bool enabled) override;
  void SetStopEnabled(bool enabled) override;
  ListControl& Log() override { return log_; }
  void SetVersionLabel(std::string_view text) override;
  void PortChosen(std::optional<std::uint32_t> port,
                  const std::vector<std::string>& descriptors) override;
  void CableVersionRead(std::uint16_t version) override;
  void ProcessMessages() override;
  void HaltLoopStarted() override { halt_loop_running = true; }
  void HaltLoopEnded(const HaltCount& count) override {
    halt_loop_running = false;
    final_count = count;
  }
  void ShowHaltCount(const HaltCount& count) override { counts_shown.push_back(count); }

 private:
  // Journals a line as "line <text>" when it is finished, that is when a new current line is
  // added after it.
  class JournalList final : public ListControl {
   public:
    explicit JournalList(Journal& journal) : journal_(journal) {}
    std::vector<std::string> lines;
    std::size_t line_limit = SIZE_MAX;
    int first_visible = 0;
    int Count() const override { return static_cast<int>(lines.size()); }
    bool Add(std::string_view text) override;
    std::string Read(int index) const override { return lines.at(static_cast<size_t>(index)); }
    bool Replace(int index, std::string_view text) override {
      lines.at(static_cast<size_t>(index)) = std::string(text);
      return true;
    }
    void Clear() override;
    void SetFirstVisible(int index) override { first_visible = index; }
    void RedrawNow() override {}

   private:
    Journal& journal_;
  };

  JournalList log_;
  Journal& journal_;
};

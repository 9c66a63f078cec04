// What wine_bench's measurements share: options, output rows, programs run from work folders.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "ui_driver.h"

inline constexpr char kCaption[] = "Corvane Tesmar Recovery Utility v0.02";

inline constexpr ui::Milliseconds kLongWait{600000};

struct Options {
  std::string setting = "stock";
  int rounds = 7;
  int halt_rounds = 11;
  std::uint32_t attempts = 20000;
  std::vector<std::uint32_t> ports = {1000, 10000};
  std::string parts = "core,halt,powercycle,report,steps,startup,catch";
  std::uint32_t catch_windows = 1000;  // per strategy and probe in the catch rate

  bool Stock() const { return setting == "stock"; }
  bool Includes(const std::string& part) const {
    return ("," + parts + ",").find("," + part + ",") != std::string::npos;
  }
  // How the measured prefix looks, for the section titles.
  std::string Where() const {
    return Stock() ? "Wine as installed: default theme, no font links"
                   : "classic theme, Wine's fonts linked";
  }
};

// Every failure ends the whole measurement with its reason.
[[noreturn]] void Fail(const std::string& reason);

// The ratio of program to baseline: the median of the ratios of runs made one right after the
// other, which share the machine's load of the moment better than the medians of all runs do.
double PairedRatio(const std::vector<double>& program, const std::vector<double>& baseline);

double Fastest(const std::vector<double>& values);

std::string Fixed(double value, int decimals);

std::string Samples(const std::vector<double>& values, int decimals);

// Output rows: a section title, a figure of the program beside its baseline's, a note.
void Section(const std::string& title);

void Row(const std::string& what, const std::string& program, const std::string& baseline,
         const std::string& ratio = "", const std::string& goal = "");

void Detail(const std::string& text);

std::string Verdict(double ratio, double goal);

std::wstring Work(const std::string& name);

// A fresh work folder holding `files` (payload names, copied under their own names, the
// simulator as unit_kelm.DLL).
void Prepare(const std::wstring& folder, const std::vector<std::wstring>& files);

// `exe` started from `folder`, its standard output and error going to `output_file` where one is
// named, and nowhere otherwise.
ui::Program Start(const std::wstring& folder, const std::wstring& exe,
                  const std::vector<ui::Variable>& variables, const std::wstring& arguments = L"",
                  const std::wstring& output_file = L"");

// The simulator's variables: a scenario file written into the folder, no trace, and a timing
// file when `timing` names one.
std::vector<ui::Variable> SimulatorVariables(const std::wstring& folder,
                                             const std::string& scenario,
                                             const std::wstring& timing = L"");

HWND Control(HWND window, const char* class_name, const char* text);

HWND ListBox(HWND window);

void CloseAndWait(ui::Program& program, HWND window);

struct Memory {
  double peak_working_set_mib = 0;
  double peak_pagefile_mib = 0;
};

Memory PeakMemory(const ui::Program& program);

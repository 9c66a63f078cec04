// The program's command line: the unattended run's options, checked before anything is loaded.
#include "command_line.h"

#include <cstddef>
#include <cstdlib>

#include "choice_items.h"
#include "unattended_outcome.h"

namespace {

constexpr char kProgram[] = "testz.exe";

char Lower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (Lower(a[i]) != Lower(b[i])) return false;
  }
  return true;
}

bool AllDigits(std::string_view text) {
  if (text.empty()) return false;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

std::string Quoted(std::string_view text) {
  return "\"" + std::string(text) + "\"";
}

// A "Test Hardware" item by its text, in any case, or by its number from "Show Hardware" = 0.
std::optional<int> HardwareType(std::string_view kind) {
  const int count = static_cast<int>(kHardwareTypeTexts.size());
  if (AllDigits(kind) && kind.size() <= 2) {
    const int number = std::atoi(std::string(kind).c_str());
    if (number < count) return number;
    return std::nullopt;
  }
  for (int item = 0; item < count; ++item) {
    if (SameIgnoringCase(kind, kHardwareTypeTexts[static_cast<std::size_t>(item)])) return item;
  }
  return std::nullopt;
}

// A positive decimal number written as digits with at most one decimal point: "120", "0.5".
std::optional<double> PositiveSeconds(std::string_view text) {
  const std::size_t point = text.find('.');
  const std::string_view whole = text.substr(0, point);
  const std::string_view fraction =
      point == std::string_view::npos ? std::string_view() : text.substr(point + 1);
  if (whole.empty() && fraction.empty()) return std::nullopt;
  if ((!whole.empty() && !AllDigits(whole)) || (!fraction.empty() && !AllDigits(fraction))) {
    return std::nullopt;
  }
  // The program never changes the C locale, whose decimal point is '.'.
  const double value = std::strtod(std::string(text).c_str(), nullptr);
  if (!(value > 0) || value > 1e9) return std::nullopt;
  return value;
}

std::string ItemList() {
  std::string list;
  for (std::size_t item = 0; item < kHardwareTypeTexts.size(); ++item) {
    if (item > 0) list += ", ";
    list += Quoted(kHardwareTypeTexts[item]);
  }
  return list;
}

class Parser {
 public:
  explicit Parser(const std::vector<std::string>& arguments) : arguments_(arguments) {}

  CommandLine Parse() {
    for (const std::string& argument : arguments_) {
      if (argument == "--help") return Help();
    }
    while (next_ < arguments_.size()) {
      if (!ParseOne()) return Bad();
    }
    return Checked();
  }

 private:
  // One option and its value; false with error_ set when it is not one.
  bool ParseOne() {
    std::string name = arguments_[next_++];
    std::optional<std::string> value;
    const std::size_t equals = name.find('=');
    if (name.rfind("--", 0) == 0 && equals != std::string::npos) {
      value = name.substr(equals + 1);
      name.resize(equals);
    }
    const Option* option = Find(name);
    if (option == nullptr) {
      error_ = name.rfind("--", 0) == 0 ? "unknown option " + Quoted(name)
                                        : "unexpected argument " + Quoted(name);
      return false;
    }
    if (given_[option->slot]) {
      error_ = name + " is given twice";
      return false;
    }
    given_[option->slot] = true;
    if (!value) {
      if (next_ == arguments_.size()) {
        error_ = name + " needs " + std::string(option->value_name);
        return false;
      }
      value = arguments_[next_++];
    }
    return Take(option->slot, name, *value);
  }

  // The options by their place in given_.
  enum Slot : std::size_t { kRun, kTimeout, kPowerCycle, kPowerCyclePeriod, kSaveLog, kSummary };
  struct Option {
    std::string_view name;
    std::string_view value_name;
    Slot slot;
  };
  static constexpr Option kOptions[] = {
      {"--run", "KIND", kRun},
      {"--timeout", "SECONDS", kTimeout},
      {"--power-cycle", "a COMMAND", kPowerCycle},
      {"--power-cycle-period", "SECONDS", kPowerCyclePeriod},
      {"--save-log", "a FILE", kSaveLog},
      {"--summary", "a FILE", kSummary},
  };

  static const Option* Find(std::string_view name) {
    for (const Option& option : kOptions) {
      if (option.name == name) return &option;
    }
    return nullptr;
  }

  bool Take(Slot slot, const std::string& name, const std::string& value) {
    switch (slot) {
      case kRun: return TakeKind(value);
      case kTimeout: return TakeSeconds(name, value, options_.timeout_seconds);
      case kPowerCycle: return TakeText(name, value, "a command", options_.power_cycle_command);
      case kPowerCyclePeriod: {
        std::optional<double> period;
        if (!TakeSeconds(name, value, period)) return false;
        options_.power_cycle_period_seconds = *period;
        return true;
      }
      case kSaveLog: return TakeText(name, value, "a file name", options_.save_log);
      case kSummary: return TakeText(name, value, "a file name", options_.summary);
    }
    return false;
  }

  bool TakeKind(const std::string& kind) {
    const std::optional<int> item = HardwareType(kind);
    if (!item) {
      error_ = "no \"Test Hardware\" item is " + Quoted(kind) + ": give one of " + ItemList() +
               ", or its number from 0 to " + std::to_string(kHardwareTypeTexts.size() - 1);
      return false;
    }
    options_.hardware_type = *item;
    return true;
  }

  bool TakeSeconds(const std::string& name, const std::string& text,
                   std::optional<double>& seconds) {
    seconds = PositiveSeconds(text);
    if (!seconds) error_ = name + " needs a positive number of seconds, not " + Quoted(text);
    return seconds.has_value();
  }

  bool TakeText(const std::string& name, const std::string& text, std::string_view what,
                std::string& into) {
    if (text.empty()) {
      error_ = name + " needs " + std::string(what);
      return false;
    }
    into = text;
    return true;
  }

  CommandLine Checked() {
    CommandLine line;
    if (arguments_.empty()) return line;
    if (!given_[kRun]) {
      error_ = "the options work with --run only: " + std::string(kProgram) + " --run KIND ...";
      return Bad();
    }
    if (given_[kPowerCyclePeriod] && !given_[kPowerCycle]) {
      error_ = "--power-cycle-period needs --power-cycle";
      return Bad();
    }
    line.mode = CommandLine::Mode::kUnattended;
    line.options = options_;
    return line;
  }

  CommandLine Help() const {
    CommandLine line;
    line.mode = CommandLine::Mode::kHelp;
    return line;
  }

  CommandLine Bad() const {
    CommandLine line;
    line.mode = CommandLine::Mode::kBadArguments;
    line.error = error_;
    return line;
  }

  const std::vector<std::string>& arguments_;
  std::size_t next_ = 0;
  bool given_[6] = {};
  UnattendedOptions options_;
  std::string error_;
};

}  // namespace

CommandLine ParseCommandLine(const std::vector<std::string>& arguments) {
  return Parser(arguments).Parse();
}

std::string UsageText() {
  std::string text = std::string("Usage: ") + kProgram +
                     " --run KIND [--timeout SECONDS] [--power-cycle COMMAND\n"
                     "                 [--power-cycle-period SECONDS]] [--save-log FILE] "
                     "[--summary FILE]\n"
                     "       " +
                     kProgram +
                     " --help\n"
                     "\n"
                     "Without arguments the window opens for a person at the board. With --run it "
                     "opens all the same,\n"
                     "chooses KIND in \"Test Hardware\" once the library has loaded and presses "
                     "START; when the\n"
                     "procedure ends it writes what was asked for, closes and exits with the "
                     "outcome's code.\n"
                     "\n"
                     "  --run KIND            a \"Test Hardware\" item, by its text (any case) or "
                     "its number:\n";
  for (std::size_t item = 0; item < kHardwareTypeTexts.size(); ++item) {
    text += "                          " + std::to_string(item) + "  " + kHardwareTypeTexts[item] +
            (item == 0 ? " (the report only)" : "") + "\n";
  }
  text +=
      "  --timeout SECONDS     stops the halt loop, as STOP does, after that many seconds of "
      "attempts\n"
      "  --power-cycle COMMAND runs COMMAND when the halt loop starts and again every period\n"
      "                        while it runs, never two at once; the command line is taken as\n"
      "                        given (no shell: write \"cmd /c ...\" for one)\n"
      "  --power-cycle-period SECONDS\n"
      "                        the period of --power-cycle; 3 unless given\n"
      "  --save-log FILE       saves the log as \"Save log as...\" does\n"
      "  --summary FILE        writes the outcome as one JSON object (UTF-8)\n"
      "  --help                shows this text\n"
      "\n"
      "Exit codes:\n";
  for (std::size_t i = 0; i < kOutcomes.size(); ++i) {
    const OutcomeRow& row = kOutcomes[i];
    if (i > 0 && kOutcomes[i - 1].exit_code == row.exit_code) continue;
    std::string meaning(row.meaning);
    for (std::size_t j = i + 1; j < kOutcomes.size() && kOutcomes[j].exit_code == row.exit_code;
         ++j) {
      meaning += ", or " + std::string(kOutcomes[j].meaning);
    }
    text +=
        "  " + std::to_string(row.exit_code) + (row.exit_code < 10 ? "   " : "  ") + meaning + "\n";
  }
  text += "  " + std::to_string(kExitBadArguments) + "  bad arguments\n";
  text += "  " + std::to_string(kExitNotWritten) +
          "  the log or the summary could not be written (the outcome is still in the summary "
          "where\n      that could be written)\n";
  return text;
}

std::string BadArgumentsText(std::string_view error) {
  return std::string(kProgram) + ": " + std::string(error) + "\nRun " + kProgram +
         " --help for the usage.\n";
}

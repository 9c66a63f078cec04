// The program's command line: the unattended run's options, checked before anything is loaded.
#include "command_line.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "choice_items.h"
#include "product.h"
#include "unattended_outcome.h"

namespace {

constexpr char kProgram[] = "testz.exe";
// The deadline when only --timeout is given: this long after the timeout's.
constexpr double kDeadlineAfterTimeoutSeconds = 60;
// The most seconds any option takes (about 31 years), and the highest port number.
constexpr std::uint32_t kMostSeconds = 1000000000;
constexpr std::uint32_t kMostPortNumber = 65535;

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

bool AllBlanks(std::string_view text) {
  return text.find_first_not_of(" \t\r\n\v\f") == std::string_view::npos;
}

// The value of decimal `digits` (leading zeros allowed), where it is `most` or less.
std::optional<std::uint32_t> NumberUpTo(std::string_view digits, std::uint32_t most) {
  std::uint64_t value = 0;
  for (char c : digits) {
    value = value * 10 + static_cast<std::uint64_t>(c - '0');
    if (value > most) return std::nullopt;
  }
  return static_cast<std::uint32_t>(value);
}

std::string Quoted(std::string_view text) {
  return "\"" + std::string(text) + "\"";
}

// A "Test Hardware" item by its text, in any case, or by its number from "Show Hardware" = 0.
std::optional<int> HardwareType(std::string_view kind) {
  const std::size_t count = kHardwareTypeTexts.size();
  if (AllDigits(kind)) {
    const std::optional<std::uint32_t> number = NumberUpTo(kind, count - 1);
    if (!number) return std::nullopt;
    return static_cast<int>(*number);
  }
  for (std::size_t item = 0; item < count; ++item) {
    if (SameIgnoringCase(kind, kHardwareTypeTexts[item])) return static_cast<int>(item);
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
  if (!(value > 0)) return std::nullopt;
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

// The options that take no value.
bool IsHelp(std::string_view argument) {
  return argument == "--help" || argument == "/?";
}
bool IsFlag(std::string_view name) {
  return IsHelp(name) || name == "--version";
}

class Parser {
 public:
  explicit Parser(const std::vector<std::string>& arguments) : arguments_(arguments) {}

  CommandLine Parse() {
    for (const std::string& argument : arguments_) {
      if (IsHelp(argument)) return Only(CommandLine::Mode::kHelp);
    }
    for (const std::string& argument : arguments_) {
      if (argument == "--version") return Only(CommandLine::Mode::kVersion);
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
    if (IsFlag(name)) {
      // Alone it would have been answered before: it came with a value.
      error_ = name + " takes no value";
      return false;
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
      if (IsOption(arguments_[next_])) {
        error_ = name + " needs " + std::string(option->value_name) + ", not the option " +
                 Quoted(arguments_[next_]);
        return false;
      }
      value = arguments_[next_++];
    }
    return Take(option->slot, name, *value);
  }

  // The options by their place in given_.
  enum Slot : std::size_t {
    kRun,
    kPort,
    kTimeout,
    kDeadline,
    kPowerCycle,
    kPowerCyclePeriod,
    kPowerCycleLimit,
    kSaveLog,
    kSummary,
    kSlots
  };
  struct Option {
    std::string_view name;
    std::string_view value_name;
    Slot slot;
  };
  static constexpr Option kOptions[] = {
      {"--run", "KIND", kRun},
      {"--port", "a PORT", kPort},
      {"--timeout", "SECONDS", kTimeout},
      {"--deadline", "SECONDS", kDeadline},
      {"--power-cycle", "a COMMAND", kPowerCycle},
      {"--power-cycle-period", "SECONDS", kPowerCyclePeriod},
      {"--power-cycle-limit", "SECONDS", kPowerCycleLimit},
      {"--save-log", "a FILE", kSaveLog},
      {"--summary", "a FILE", kSummary},
  };

  static const Option* Find(std::string_view name) {
    for (const Option& option : kOptions) {
      if (option.name == name) return &option;
    }
    return nullptr;
  }

  static std::string_view NameOf(Slot slot) {
    for (const Option& option : kOptions) {
      if (option.slot == slot) return option.name;
    }
    return {};
  }

  // Whether `argument` is an option, alone or with its value after '=': no value of the option
  // before it, which the user most likely left out.
  static bool IsOption(std::string_view argument) {
    const std::string_view name =
        argument.rfind("--", 0) == 0 ? argument.substr(0, argument.find('=')) : argument;
    return IsFlag(name) || Find(name) != nullptr;
  }

  bool Take(Slot slot, const std::string& name, const std::string& value) {
    switch (slot) {
      case kRun: return TakeKind(value);
      case kPort: return TakePort(name, value);
      case kTimeout: return TakeSeconds(name, value, options_.timeout_seconds);
      case kDeadline: return TakeSeconds(name, value, options_.deadline_seconds);
      case kPowerCycle: return TakeText(name, value, "a command", options_.power_cycle_command);
      case kPowerCyclePeriod: return TakeSeconds(name, value, options_.power_cycle_period_seconds);
      case kPowerCycleLimit: return TakeSeconds(name, value, options_.power_cycle_limit_seconds);
      case kSaveLog: return TakeText(name, value, "a file name", options_.save_log);
      case kSummary: return TakeText(name, value, "a file name", options_.summary);
      case kSlots: break;
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

  // A port by its number (digits only) or by a text of its descriptor (anything else).
  bool TakePort(const std::string& name, const std::string& text) {
    PortChoice port;
    if (AllDigits(text)) {
      const std::optional<std::uint32_t> number = NumberUpTo(text, kMostPortNumber);
      if (!number || *number == 0) {
        error_ = name + " needs a port number from 1 to " + std::to_string(kMostPortNumber) +
                 ", not " + Quoted(text);
        return false;
      }
      port.number = *number;
    } else if (!TakeText(name, text, "a port's number or a text of its descriptor", port.text)) {
      return false;
    }
    options_.port = port;
    return true;
  }

  bool TakeSeconds(const std::string& name, const std::string& text,
                   std::optional<double>& seconds) {
    seconds = PositiveSeconds(text);
    if (!seconds) {
      error_ = name + " needs a positive number of seconds, not " + Quoted(text);
    } else if (*seconds > kMostSeconds) {
      error_ =
          name + " takes at most " + std::to_string(kMostSeconds) + " seconds, not " + Quoted(text);
      seconds.reset();
    }
    return seconds.has_value();
  }

  bool TakeSeconds(const std::string& name, const std::string& text, double& seconds) {
    std::optional<double> taken;
    if (!TakeSeconds(name, text, taken)) return false;
    seconds = *taken;
    return true;
  }

  bool TakeText(const std::string& name, const std::string& text, std::string_view what,
                std::string& into) {
    if (AllBlanks(text)) {
      error_ = name + " needs " + std::string(what) + (text.empty() ? "" : ", not only blanks");
      return false;
    }
    into = text;
    return true;
  }

  CommandLine Checked() {
    if (arguments_.empty()) return Only(CommandLine::Mode::kWindow);
    if (!given_[kRun]) {
      error_ = "the options work with --run only: " + std::string(kProgram) + " --run KIND ...";
      return Bad();
    }
    for (const Slot slot : {kPowerCyclePeriod, kPowerCycleLimit}) {
      if (given_[slot] && !given_[kPowerCycle]) {
        error_ = std::string(NameOf(slot)) + " needs --power-cycle";
        return Bad();
      }
    }
    if (options_.timeout_seconds) {
      if (!options_.deadline_seconds) {
        options_.deadline_seconds = *options_.timeout_seconds + kDeadlineAfterTimeoutSeconds;
      } else if (*options_.deadline_seconds <= *options_.timeout_seconds) {
        error_ =
            "--deadline needs more seconds than --timeout: the deadline counts from the "
            "program's start, the timeout from the halt loop's first attempt";
        return Bad();
      }
    }
    CommandLine line = Only(CommandLine::Mode::kUnattended);
    line.options = options_;
    return line;
  }

  static CommandLine Only(CommandLine::Mode mode) {
    CommandLine line;
    line.mode = mode;
    return line;
  }

  CommandLine Bad() const {
    CommandLine line = Only(CommandLine::Mode::kBadArguments);
    line.error = error_;
    return line;
  }

  const std::vector<std::string>& arguments_;
  std::size_t next_ = 0;
  bool given_[kSlots] = {};
  UnattendedOptions options_;
  std::string error_;
};

}  // namespace

CommandLine ParseCommandLine(const std::vector<std::string>& arguments) {
  return Parser(arguments).Parse();
}

std::string UsageText() {
  std::string text = std::string("Usage: ") + kProgram +
                     " --run KIND [--port PORT] [--timeout SECONDS] [--deadline SECONDS]\n"
                     "                 [--power-cycle COMMAND [--power-cycle-period SECONDS]\n"
                     "                 [--power-cycle-limit SECONDS]] [--save-log FILE] "
                     "[--summary FILE]\n"
                     "       " +
                     kProgram + " --help | /?\n       " + kProgram +
                     " --version\n"
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
      "  --port PORT           the port of KIND to open; 1 unless given. PORT is a number from 1 "
      "to\n"
      "                        " +
      std::to_string(kMostPortNumber) +
      ", the port's place among those the report lists for KIND, or a\n"
      "                        text its descriptor holds, in any case (digits only are a "
      "number)\n"
      "  --timeout SECONDS     stops the halt loop, as STOP does, after that many seconds of "
      "attempts\n"
      "  --deadline SECONDS    counted from the program's start: the run is stopped then, as "
      "STOP\n"
      "                        does, and the program ended should a library call not return. "
      "More\n"
      "                        than --timeout; unless given, " +
      std::to_string(static_cast<int>(kDeadlineAfterTimeoutSeconds)) +
      " more than --timeout where that is\n"
      "                        given, else none\n"
      "  --power-cycle COMMAND runs COMMAND when the halt loop starts and again every period\n"
      "                        while it runs, never two at once; the command line is taken as\n"
      "                        given (no shell: write \"cmd /c ...\" for one)\n"
      "  --power-cycle-period SECONDS\n"
      "                        the period of --power-cycle; 3 unless given\n"
      "  --power-cycle-limit SECONDS\n"
      "                        a command running longer is ended with the processes it started;\n"
      "                        60 unless given\n"
      "  --save-log FILE       saves the log as \"Save log as...\" does\n"
      "  --summary FILE        writes the outcome as one JSON object (UTF-8)\n"
      "  --version             shows the program's name, version and build\n"
      "  --help, /?            shows this text\n"
      "\n"
      "SECONDS is a positive number up to " +
      std::to_string(kMostSeconds) +
      ", with a decimal point if need be (0.5). Each option\n"
      "is given once, its value as the next argument or after '=' (--timeout=120); a value that "
      "is\n"
      "the name of an option goes after '='.\n"
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
  text += "  " + std::to_string(kExitProgramNotStarted) +
          "  testz.com, the console companion, could not start testz.exe\n";
  text += "  " + std::to_string(kExitNotWritten) +
          "  the log or the summary could not be written (the outcome is still in the summary "
          "where\n      that could be written)\n";
  return text;
}

std::string VersionText(std::string_view build) {
  return TESTZ_PRODUCT_NAME " " TESTZ_VERSION_TEXT " (build " + std::string(build) + ")\n";
}

std::string BadArgumentsText(std::string_view error) {
  return std::string(kProgram) + ": " + std::string(error) + "\nRun " + kProgram +
         " --help for the usage.\n";
}

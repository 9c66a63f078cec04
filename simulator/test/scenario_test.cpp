// Tests of reading scenario texts: every key, the forms of texts, and errors naming file and line.
#include "scenario.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

Scenario Parse(std::string_view text) {
  std::string error;
  std::optional<Scenario> scenario = ParseScenario(text, "test.scn", error);
  EXPECT_TRUE(scenario.has_value()) << error;
  return scenario.value_or(Scenario{});
}

const SimulatedPorts& Ports(const Scenario& scenario, std::uint32_t port_type) {
  return scenario.ports[port_type - kFirstPortType];
}

const Fault& FaultOf(const Scenario& scenario, Export e) {
  return scenario.faults[static_cast<std::size_t>(e)];
}

TEST(ScenarioText, EveryKeyIsReadIntoItsField) {
  const Scenario s = Parse(
      "# a comment line, then a blank one\n"
      "\n"
      "  version = Simulated 2.0 #1  \r\n"
      "dll_version = 0xDEAD007B\n"
      "cable_version = 65535\n"
      "count.3 = 2\n"
      "count.9=0x10000\n"
      "descriptor.3.2 = Veyra = second\n"
      "descriptor.9 = null\n"
      "open_port = 0x100\n"
      "mode_swd = 0x300\n"
      "mode_jtag = 0x301\n"
      "check_critical_error = 0xFF00\n"
      "halt = attempts 5\n"
      "not_halted_status = 0x7F\n"
      "delay_us = 1000\n"
      "fault.get_block = access_violation\n"
      "fault.open_port = callee_pops after 2\n"
      "sleep_ms.open_port = 60000\n");
  EXPECT_EQ(s.source, "test.scn");
  EXPECT_EQ(s.version.kind, SimulatedText::Kind::text);
  EXPECT_EQ(s.version.text, "Simulated 2.0 #1");
  EXPECT_EQ(s.dll_version, 0xDEAD007Bu);
  EXPECT_EQ(s.cable_version, 65535u);
  EXPECT_EQ(Ports(s, 3).count, 2u);
  EXPECT_FALSE(Ports(s, 3).every.has_value());
  ASSERT_EQ(Ports(s, 3).listed.size(), 1u);
  EXPECT_EQ(Ports(s, 3).listed.at(2).text, "Veyra = second");
  EXPECT_EQ(Ports(s, 9).count, 0x10000u);
  ASSERT_TRUE(Ports(s, 9).every.has_value());
  EXPECT_EQ(Ports(s, 9).every->kind, SimulatedText::Kind::null);
  EXPECT_EQ(Ports(s, 5).count, 0u);
  EXPECT_EQ(s.open_port, 0x100u);
  EXPECT_EQ(s.mode_swd, 0x300u);
  EXPECT_EQ(s.mode_jtag, 0x301u);
  EXPECT_EQ(s.check_critical_error, 0xFF00u);
  EXPECT_EQ(s.halt.kind, HaltBehaviour::Kind::attempts);
  EXPECT_EQ(s.halt.amount, 5u);
  EXPECT_EQ(s.not_halted_status, std::optional<std::uint8_t>(0x7F));
  EXPECT_EQ(s.delay_us, 1000u);
  EXPECT_EQ(FaultOf(s, Export::get_block).kind, FaultKind::access_violation);
  EXPECT_EQ(FaultOf(s, Export::get_block).after_calls, 0u);
  EXPECT_EQ(FaultOf(s, Export::open_port).kind, FaultKind::callee_pops);
  EXPECT_EQ(FaultOf(s, Export::open_port).after_calls, 2u);
  EXPECT_EQ(FaultOf(s, Export::version).kind, FaultKind::none);
  EXPECT_EQ(s.sleep_ms[static_cast<std::size_t>(Export::open_port)], 60000u);
  EXPECT_EQ(s.sleep_ms[static_cast<std::size_t>(Export::close_port)], 0u);
}

TEST(ScenarioText, TextsAreRawQuotedNullUnterminatedUnreadableOrAnAddress) {
  const Scenario s = Parse(
      "count.4 = 5\n"
      "descriptor.4.1 =\n"
      "descriptor.4.2 = \"  null  \"\n"
      "descriptor.4.3 = \"\"quoted\"\"\n"
      "descriptor.4.4 = unterminated\n"
      "descriptor.4.5 = \xE9t\xE9 \x01\n"
      "descriptor.4 = unreadable\n"
      "version = address 0x10\n");
  const auto& listed = Ports(s, 4).listed;
  EXPECT_EQ(listed.at(1).kind, SimulatedText::Kind::text);
  EXPECT_EQ(listed.at(1).text, "");
  EXPECT_EQ(listed.at(2).text, "  null  ");
  EXPECT_EQ(listed.at(3).text, "\"quoted\"");
  EXPECT_EQ(listed.at(4).kind, SimulatedText::Kind::unterminated);
  EXPECT_EQ(listed.at(5).text, "\xE9t\xE9 \x01");
  EXPECT_EQ(Ports(s, 4).every->kind, SimulatedText::Kind::unreadable);
  EXPECT_EQ(s.version.kind, SimulatedText::Kind::address);
  EXPECT_EQ(s.version.address, 0x10u);
}

TEST(ScenarioText, HaltAndStatusForms) {
  EXPECT_EQ(Parse("halt = never").halt.kind, HaltBehaviour::Kind::never);
  EXPECT_EQ(Parse("status_bytes = 4").status_bytes, 4u);
  const Scenario timed = Parse("halt = milliseconds 2000\nnot_halted_status = untouched");
  EXPECT_EQ(timed.halt.kind, HaltBehaviour::Kind::milliseconds);
  EXPECT_EQ(timed.halt.amount, 2000u);
  EXPECT_FALSE(timed.not_halted_status.has_value());
  const Scenario file = Parse("halt = file  /tmp/power cycled  ");
  EXPECT_EQ(file.halt.kind, HaltBehaviour::Kind::file);
  EXPECT_EQ(file.halt.file, "/tmp/power cycled");
  const Scenario touched = Parse("halt = touched 2000000 /tmp/power switch");
  EXPECT_EQ(touched.halt.kind, HaltBehaviour::Kind::touched);
  EXPECT_EQ(touched.halt.amount, 2000000u);
  EXPECT_EQ(touched.halt.file, "/tmp/power switch");
  // A file that sets nothing still says what it is.
  const Scenario empty = Parse("");
  EXPECT_EQ(empty.version.text, "unit_kelm.DLL SIMULATOR: scenario test.scn");
  EXPECT_EQ(empty.halt.kind, HaltBehaviour::Kind::attempts);
  EXPECT_EQ(empty.halt.amount, 1u);
  EXPECT_EQ(empty.status_bytes, 1u);
}

TEST(ScenarioText, ErrorsNameTheFileTheLineAndTheProblem) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"version = x\ncuont.3 = 1\n", "bad.scn:2: unknown key \"cuont.3\""},
      {"count.10 = 1", "bad.scn:1: unknown key \"count.10\""},
      {"count.3 = 2\n\ncount.3 = 3", "bad.scn:3: \"count.3\" is already set on line 1"},
      {"count.4 = 4294967296", "bad.scn:1: \"4294967296\" is not a 32-bit number"},
      {"dll_version = 12a", "bad.scn:1: \"12a\" is not a 32-bit number"},
      {"dll_version = 0x", "bad.scn:1: \"0x\" is not a 32-bit number"},
      {"# fine\nopen_port 1", "bad.scn:2: expected \"key = value\""},
      {"descriptor.3.3 = x\ncount.3 = 2", "bad.scn:1: port 3 is not among the 2 ports of type 3"},
      {"descriptor.5.0 = x", "bad.scn:1: port 0 is not among the 0 ports of type 5"},
      {"descriptor.2 = x", "bad.scn:1: a descriptor needs a port type from 3 to 9"},
      {"descriptor.3.x = x",
       "bad.scn:1: expected \"descriptor.T\" or \"descriptor.T.N\" with a port number N"},
      {"halt = sometimes",
       "bad.scn:1: expected \"never\", \"attempts N\", \"milliseconds N\", \"file PATH\", "
       "\"touched W PATH\", \"power_ups W\" or \"count_power_ups W ...\""},
      {"halt = touched 500", "bad.scn:1: \"touched\" takes a window in microseconds and a file"},
      {"halt = attempts 0",
       "bad.scn:1: the processor halts at an attempt: \"attempts\" counts from 1"},
      {"not_halted_status = 0x100", "bad.scn:1: expected a byte value or \"untouched\""},
      {"status_bytes = 2", "bad.scn:1: expected 1 or 4"},
      {"version = address 16x", "bad.scn:1: \"16x\" is not a 32-bit number"},
      {"fault.get_blok = access_violation", "bad.scn:1: no export is named \"get_blok\""},
      {"fault.version = callee_pops",
       "bad.scn:1: callee_pops needs an export that takes arguments"},
      {"fault.open_port = explode", "bad.scn:1: unknown fault \"explode\""},
      {"sleep_ms.open_prot = 5", "bad.scn:1: no export is named \"open_prot\""},
      {"sleep_ms.open_port = a minute", "bad.scn:1: \"a minute\" is not a 32-bit number"},
      {"fault.open_port = divide_by_zero later 3",
       "bad.scn:1: expected \"after N\" after the fault"},
  };
  for (const auto& [text, expected] : cases) {
    std::string error;
    EXPECT_FALSE(ParseScenario(text, "bad.scn", error).has_value()) << text;
    EXPECT_EQ(error, expected) << text;
  }
}

TEST(ScenarioText, TheDemoSaysItIsASimulatorAndHaltsAfterTwoSeconds) {
  std::string error;
  const std::optional<Scenario> demo = ParseScenario(kDemoScenarioText, "demo", error);
  ASSERT_TRUE(demo.has_value()) << error;
  EXPECT_NE(demo->version.text.find("SIMULATOR"), std::string::npos);
  EXPECT_LE(demo->version.text.size(), 255u);
  int kinds_attached = 0;
  for (const SimulatedPorts& ports : demo->ports) {
    kinds_attached += ports.count > 0 ? 1 : 0;
    EXPECT_EQ(ports.listed.size(), ports.count);
  }
  EXPECT_GE(kinds_attached, 3);
  EXPECT_EQ(demo->halt.kind, HaltBehaviour::Kind::milliseconds);
  EXPECT_EQ(demo->halt.amount, 2000u);
}

}  // namespace

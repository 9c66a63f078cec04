// The log streamed on the standard output, over a pipe in the test's own process under Wine: read,
// read late, or never read.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#include "companion_protocol.h"
#include "log_stream.h"
#include "owned_handle.h"

namespace {

using std::chrono::milliseconds;
using std::chrono::seconds;

struct Pipe {
  KernelHandle read;
  KernelHandle write;
};

Pipe MakePipe() {
  HANDLE read = nullptr;
  HANDLE write = nullptr;
  EXPECT_TRUE(CreatePipe(&read, &write, nullptr, 4096));
  return {KernelHandle(read), KernelHandle(write)};
}

// Reads the pipe until it ends or, where `end` is given, until what was read ends with `end`.
std::string Read(HANDLE read, const std::string& end = "") {
  std::string text;
  char buffer[65536];
  DWORD count = 0;
  while (end.empty() || text.size() < end.size() ||
         text.compare(text.size() - end.size(), end.size(), end) != 0) {
    if (!ReadFile(read, buffer, sizeof buffer, &count, nullptr)) break;
    text.append(buffer, count);
  }
  return text;
}

// A line longer than any pipe holds, so that its write waits for the reader.
const std::string kLongLine(std::size_t{8} << 20, 'x');

TEST(LogStream, WritesEachLineWithItsEndAndMarksProgressOnlyWhereShownInPlace) {
  for (bool in_place : {false, true}) {
    Pipe pipe = MakePipe();
    std::optional<LogStream> stream = LogStream::To(pipe.write.Get(), in_place);
    ASSERT_TRUE(stream);
    pipe.write.Reset();  // the stream keeps its own handle
    stream->Line("Number of USB Veyras = 0001");
    stream->Progress("12 attempts \xC2\xB7 0:01");
    stream->Line("two\r\nlines\x1E\t");
    stream->Last("halted, exit code 0");
    stream->Line("after the last");
    EXPECT_TRUE(stream->Flush(seconds(10)));
    stream.reset();
    EXPECT_EQ(Read(pipe.read.Get()),
              "Number of USB Veyras = 0001\r\n" + std::string(in_place, kProgressMarker) +
                  "12 attempts \xC2\xB7 0:01\r\ntwo  lines  \r\nhalted, exit code 0\r\n");
  }
}

TEST(LogStream, NeverWaitsForItsReaderAndKeepsOnlyTheNewestProgressWaiting) {
  Pipe pipe = MakePipe();
  std::optional<LogStream> stream = LogStream::To(pipe.write.Get(), false);
  ASSERT_TRUE(stream);
  stream->Line(kLongLine);
  for (int count = 1; count <= 100; ++count) stream->Progress(std::to_string(count) + " attempts");
  stream->Last("end");
  EXPECT_FALSE(stream->Flush(milliseconds(100))) << "nothing is read yet";

  const std::string text = Read(pipe.read.Get(), "end\r\n");
  EXPECT_TRUE(stream->Flush(seconds(10)));
  ASSERT_EQ(text.rfind(kLongLine + "\r\n", 0), 0u);
  const std::string rest = text.substr(kLongLine.size() + 2);
  // The long line's write took the newest progress line of the moment with it, if any.
  const std::size_t newest = rest.find("100 attempts\r\nend\r\n");
  ASSERT_NE(newest, std::string::npos) << rest;
  EXPECT_LE(std::count(rest.begin(), rest.begin() + static_cast<std::ptrdiff_t>(newest), '\n'), 1)
      << rest;
}

TEST(LogStream, GoesWithoutWaitingForAReaderThatNeverReadsOrHasGone) {
  Pipe unread = MakePipe();
  Pipe gone = MakePipe();
  gone.read.Reset();
  for (const Pipe* pipe : {&unread, &gone}) {
    std::optional<LogStream> stream = LogStream::To(pipe->write.Get(), false);
    ASSERT_TRUE(stream);
    stream->Line(kLongLine);
    stream->Line("more");
    EXPECT_FALSE(stream->Flush(milliseconds(100)));
  }  // a write still waiting is cut short as the stream goes
}

}  // namespace

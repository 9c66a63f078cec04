// Tests of the window object's procedure: an exception from a handler never leaves it.
#include "window.h"

#include <gtest/gtest.h>

#include <new>
#include <string>

namespace {

constexpr char kClass[] = "ThrowingWindow";
constexpr UINT kAnswer = WM_APP + 1;

// Its handler throws on WM_SETTEXT (what is thrown set by the test) and answers kAnswer with 42.
class ThrowingWindow final : public Window {
 public:
  ThrowingWindow() {
    const HINSTANCE instance = GetModuleHandleA(nullptr);
    RegisterWindowClassOnce(instance, kClass, &Window::Procedure, 0, nullptr);
    Create(instance, kClass, "", WS_OVERLAPPEDWINDOW, 0, 0, 0, 200, 100, nullptr);
  }
  ~ThrowingWindow() override { Destroy(); }

  enum class Throws { kBadAlloc, kNotAStandardException } throws = Throws::kBadAlloc;

 protected:
  LRESULT HandleMessage(UINT message, WPARAM w, LPARAM l) override {
    if (message == WM_SETTEXT && throws == Throws::kBadAlloc) throw std::bad_alloc();
    if (message == WM_SETTEXT) throw 7;
    if (message == kAnswer) return 42;
    return DefWindowProcA(Handle(), message, w, l);
  }
};

TEST(WindowProcedure, AHandlerThatThrowsLeavesItsMessageToTheDefaultHandlingAndTheWindowGoesOn) {
  ThrowingWindow window;
  ASSERT_NE(window.Handle(), nullptr);
  for (const auto throws :
       {ThrowingWindow::Throws::kBadAlloc, ThrowingWindow::Throws::kNotAStandardException}) {
    window.throws = throws;
    const std::string text = "text " + std::to_string(static_cast<int>(throws));
    EXPECT_EQ(SendMessageA(window.Handle(), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str())),
              TRUE);
    char shown[32] = {};
    GetWindowTextA(window.Handle(), shown, sizeof shown);
    EXPECT_EQ(std::string(shown), text) << "the default handling set the text";
    EXPECT_EQ(SendMessageA(window.Handle(), kAnswer, 0, 0), 42) << "the window goes on";
  }
}

}  // namespace

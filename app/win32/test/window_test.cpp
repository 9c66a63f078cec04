// Tests of the window object's procedure: an exception from a handler never leaves it.
#include "window.h"

#include <gtest/gtest.h>

#include <new>
#include <string>

namespace {

constexpr char kClass[] = "ThrowingWindow";
constexpr UINT kAnswer = WM_APP + 1;

// Its handler throws on WM_SETTEXT, WM_CLOSE and `failing` (what is thrown set by the test), and
// answers kAnswer with 42.
class ThrowingWindow final : public Window {
 public:
  explicit ThrowingWindow(UINT failing = WM_SETTEXT) : failing_(failing) {
    const HINSTANCE instance = GetModuleHandleA(nullptr);
    RegisterWindowClassOnce(instance, kClass, &Window::Procedure, 0, nullptr);
    created = Create(instance, kClass, "", WS_OVERLAPPEDWINDOW, 0, 0, 0, 200, 100, nullptr);
  }
  ~ThrowingWindow() override { Destroy(); }

  enum class Throws { kBadAlloc, kNotAStandardException } throws = Throws::kBadAlloc;
  HWND created = nullptr;
  int closes = 0;

 protected:
  void HandleClose() noexcept override { ++closes; }
  LRESULT HandleMessage(UINT message, WPARAM w, LPARAM l) override {
    const bool fails = message == WM_SETTEXT || message == WM_CLOSE || message == failing_;
    if (fails && throws == Throws::kBadAlloc) throw std::bad_alloc();
    if (fails) throw 7;
    if (message == kAnswer) return 42;
    return DefWindowProcA(Handle(), message, w, l);
  }

 private:
  UINT failing_;
};

TEST(WindowProcedure, AHandlerThatThrowsLeavesItsMessageToWhatFitsItAndTheWindowGoesOn) {
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
    SendMessageA(window.Handle(), WM_CLOSE, 0, 0);
    EXPECT_TRUE(IsWindow(window.Handle())) << "a close goes to the window's own handling";
  }
  EXPECT_EQ(window.closes, 2);
  // A window whose creation fails is not made.
  EXPECT_EQ(ThrowingWindow(WM_NCCREATE).created, nullptr);
  EXPECT_EQ(ThrowingWindow(WM_CREATE).created, nullptr);
}

}  // namespace

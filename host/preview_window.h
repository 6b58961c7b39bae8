#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <vector>

#include "host/io/picture.h"

namespace tesselox::host {

// A top-level window that shows the latest output frame at its own size. Render requests are
// served later from the window's own timer, not at once: they come from inside the module's
// window procedure, and a burst of keystrokes collapses into one render after it.
class PreviewWindow {
 public:
  explicit PreviewWindow(std::function<void()> render);
  ~PreviewWindow();
  PreviewWindow(const PreviewWindow&) = delete;
  PreviewWindow& operator=(const PreviewWindow&) = delete;

  bool Create();
  void Display(const io::Picture& frame);
  void RequestRender();
  bool IsOpen() const { return window_ != nullptr; }
  HWND Handle() const { return window_; }

 private:
  static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  void Paint();

  std::function<void()> render_;
  HWND window_ = nullptr;
  std::int32_t width_ = 0;
  std::int32_t height_ = 0;
  std::vector<std::uint8_t> bgrx_;
};

}  // namespace tesselox::host

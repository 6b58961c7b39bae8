#include "host/preview_window.h"

#include <utility>

namespace tesselox::host {
namespace {

constexpr char kClass[] = "TesseloxHostPreview";
constexpr UINT_PTR kRenderTimer = 1;
// A frame rewrites every rectangle field it re-limits; rendering between two keystrokes would
// turn a half-typed "-" into "0" under the user's fingers.
constexpr UINT kRenderDelayMs = 400;

}  // namespace

PreviewWindow::PreviewWindow(std::function<void()> render) : render_(std::move(render)) {}

PreviewWindow::~PreviewWindow() {
  if (window_ != nullptr) DestroyWindow(window_);
}

bool PreviewWindow::Create() {
  WNDCLASSEXA wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = Proc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
  wc.lpszClassName = kClass;
  if (RegisterClassExA(&wc) == 0 && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return false;
  window_ = CreateWindowExA(0, kClass, "Tesselox preview", WS_OVERLAPPEDWINDOW, 400, 40, 680, 420,
                            nullptr, nullptr, GetModuleHandleA(nullptr), this);
  if (window_ == nullptr) return false;
  ShowWindow(window_, SW_SHOWNOACTIVATE);
  return true;
}

void PreviewWindow::Display(const io::Picture& frame) {
  const bool resized = frame.width != width_ || frame.height != height_;
  width_ = frame.width;
  height_ = frame.height;
  bgrx_.resize(frame.pixels.size() * 4);
  for (std::size_t k = 0; k < frame.pixels.size(); ++k) {
    bgrx_[4 * k] = io::ChannelToByte(io::Channel(frame.pixels[k], 2));
    bgrx_[4 * k + 1] = io::ChannelToByte(io::Channel(frame.pixels[k], 1));
    bgrx_[4 * k + 2] = io::ChannelToByte(io::Channel(frame.pixels[k], 0));
    bgrx_[4 * k + 3] = 0;
  }
  if (window_ == nullptr) return;
  if (resized) {
    RECT rect{0, 0, width_, height_};
    AdjustWindowRectEx(&rect, WS_OVERLAPPEDWINDOW, FALSE, 0);
    SetWindowPos(window_, nullptr, 0, 0, rect.right - rect.left, rect.bottom - rect.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  InvalidateRect(window_, nullptr, TRUE);
}

void PreviewWindow::RequestRender() {
  // Each edit restarts the timer, so the render waits for a pause in the typing.
  if (window_ != nullptr) SetTimer(window_, kRenderTimer, kRenderDelayMs, nullptr);
}

void PreviewWindow::Paint() {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(window_, &paint);
  if (width_ > 0 && height_ > 0) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width_;
    info.bmiHeader.biHeight = -height_;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    SetDIBitsToDevice(dc, 0, 0, static_cast<DWORD>(width_), static_cast<DWORD>(height_), 0, 0, 0,
                      static_cast<UINT>(height_), bgrx_.data(), &info, DIB_RGB_COLORS);
  }
  EndPaint(window_, &paint);
}

LRESULT CALLBACK PreviewWindow::Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* self = reinterpret_cast<PreviewWindow*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  if (self != nullptr) {
    switch (message) {
      case WM_PAINT:
        self->Paint();
        return 0;
      case WM_TIMER:
        if (wParam != kRenderTimer) break;
        KillTimer(window, kRenderTimer);
        if (self->render_) self->render_();
        return 0;
      case WM_DESTROY:
        self->window_ = nullptr;
        return 0;
      default:
        break;
    }
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace tesselox::host

#include "host/still_job.h"

#include <windows.h>

#include <exception>
#include <string>

#include "host/io/io_error.h"
#include "host/io/picture_file.h"
#include "host/preview_window.h"

namespace tesselox::host {
namespace {

// Every edit the user makes asks the preview for a new render; the frame callback's own
// rewriting of fields does not.
class PreviewRefresh : public SessionObserver {
 public:
  PreviewRefresh(PreviewWindow& preview, const bool& rendering)
      : preview_(preview), rendering_(rendering) {}
  std::int32_t EditUpdated() override {
    if (!rendering_) preview_.RequestRender();
    return 0;
  }

 private:
  PreviewWindow& preview_;
  const bool& rendering_;
};

// Opens the configuration window and a preview; every edit re-renders the preview. Returns
// the last frame rendered once the user closes either window.
io::Picture ShowInteractively(ModuleSession& session, FrameFilter& filter, const io::Picture& input,
                              io::Picture output) {
  std::string failure;
  bool rendering = false;
  PreviewWindow* previewPointer = nullptr;
  PreviewWindow preview([&] {
    rendering = true;
    try {
      output = filter.Run(input);
      previewPointer->Display(output);
    } catch (const std::exception& e) {  // nothing may leave a window procedure
      failure = e.what();
      DestroyWindow(previewPointer->Handle());
    }
    rendering = false;
  });
  previewPointer = &preview;
  if (!preview.Create()) throw io::IoError("cannot open the preview window");
  preview.Display(output);
  PreviewRefresh refresh(preview, rendering);
  session.SetObserver(&refresh);
  struct Unset {
    ModuleSession& session;
    ~Unset() { session.SetObserver(nullptr); }
  } unset{session};
  ShowWindow(session.ConfigWindow(), SW_SHOWNORMAL);
  MSG msg;
  while (preview.IsOpen() && IsWindow(session.ConfigWindow()) &&
         GetMessageA(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  if (!failure.empty()) throw io::IoError(failure);
  return output;
}

}  // namespace

io::Size StillJob::Run(std::ostream& out) {
  io::Picture output;
  for (std::int32_t k = 0; k < options_.frames; ++k) output = filter_.Run(still_);
  if (options_.show) output = ShowInteractively(session_, filter_, still_, output);
  filter_.ReleaseBuffers();
  still_ = io::Picture();
  io::WritePng(out, output, options_.outDepth);
  return io::Size{output.width, output.height};
}

}  // namespace tesselox::host

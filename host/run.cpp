#include "host/run.h"

#include <windows.h>

#include <iomanip>
#include <optional>
#include <ostream>
#include <string>

#include "module/field_table.h"
#include "host/field_edits.h"
#include "host/frame_filter.h"
#include "host/input_source.h"
#include "host/io/capacity.h"
#include "host/io/file_name.h"
#include "host/io/io_error.h"
#include "host/io/output_file.h"
#include "host/io/picture_file.h"
#include "host/io/utf8_path.h"
#include "host/module_path.h"
#include "host/session/module_session.h"
#include "host/still_job.h"
#include "host/stream_job.h"
#include "host/window_capture.h"

namespace tesselox::host {
namespace {

using io::IoError;

// Loads the module, makes its windows and initialises it with the host's largest frame.
void StartModule(ModuleSession& session, const io::Options& options) {
  const bool named = !options.module.empty();
  const std::string path =
      named ? io::Utf8FromPath(io::FilePath(options.module)) : DefaultModulePath();
  if (!session.Load(path, named ? io::ShownName(options.module) : path))
    throw IoError(session.Error());
  session.SetLargestFrame(options.max.width, options.max.height);
  if (!session.CreateWindows()) throw IoError("cannot create the configuration window");
  session.SendInit();
  session.PumpMessages();
}

// --screenshot: the configuration window as the screen shows it, written to `screenshot` but
// not yet committed.
void TakeScreenshot(const ModuleSession& session, const io::Options& options,
                    std::optional<io::OutputFile>& screenshot) {
  if (options.screenshot.empty()) return;
  const io::Picture shot = CaptureWindow(session.ConfigWindow());
  if (shot.pixels.empty()) throw IoError("cannot read the configuration window from the screen");
  screenshot.emplace(options.screenshot);
  io::WritePng(screenshot->Stream(), shot);
}

io::CopyExtents CopyExtentsOf(const ParameterValues& values) {
  const auto extent = [&values](FieldId id) { return Magnitude(values[Index(id)]); };
  return {extent(FieldId::SrcCx), extent(FieldId::SrcCy), extent(FieldId::DstCx),
          extent(FieldId::DstCy)};
}

int Run(const io::Options& options, std::ostream& report, std::ostream& errors) {
  InputSource input(options, errors);
  ModuleSession session;
  StartModule(session, options);

  // The fields start with ranges made for no frame in particular ("src x" -32..32), and a value
  // typed outside a field's range reads as 0 at the next frame. So the host shows the module
  // the first frame before typing, as an editor shows its first frame before the user edits.
  FrameFilter filter(session, input.Capacity(), io::CapacityOrigin(options, input.FrameSize()));
  std::optional<StillJob> still;
  std::optional<StreamJob> stream;
  if (input.IsStream()) {
    stream.emplace(input.Reader(), filter, input.Name());
    stream->ShowFirstFrame();
  } else {
    still.emplace(input.Still(), filter, session, options);
    still->ShowFirstFrame();
  }
  TypeScale(session, options, input.FrameSize());
  const ParameterValues used = ApplyEdits(session, options, input.Capacity(), errors);
  std::optional<io::OutputFile> screenshot;
  TakeScreenshot(session, options, screenshot);

  io::OutputFile out(options.out, options.out == io::kDefaultOutput);
  const io::Size outputSize =
      stream ? stream->Run(out.Stream(), errors, CopyExtentsOf(used)) : still->Run(out.Stream());

  // A stream read to its end is let go of too, so that the output may replace it.
  input.Close();
  if (screenshot) screenshot->Commit();
  out.Commit();
  if (options.printFields) PrintFields(session, report);
  report << "input " << io::SizeText(input.FrameSize()) << ", output " << io::SizeText(outputSize)
         << ", " << filter.Frames() << (filter.Frames() == 1 ? " frame, " : " frames, ")
         << std::fixed << std::setprecision(3) << filter.MillisecondsPerFrame()
         << " ms per frame\n";
  report.flush();
  return 0;
}

}  // namespace

int RunHost(const io::Options& options, std::ostream& report, std::ostream& errors) {
  try {
    return Run(options, report, errors);
  } catch (const IoError& e) {
    errors << "tesselox-host: " << e.what() << "\n";
  } catch (const std::bad_alloc&) {
    errors << "tesselox-host: out of memory\n";
  } catch (const std::exception& e) {
    errors << "tesselox-host: " << e.what() << "\n";
  }
  errors.flush();
  return 1;
}

}  // namespace tesselox::host

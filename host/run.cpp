#include "host/run.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <iomanip>
#include <map>
#include <optional>
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

#include "host/io/field_notice.h"
#include "host/io/image_file.h"
#include "host/io/input_file.h"
#include "host/io/io_error.h"
#include "host/io/output_file.h"
#include "host/io/test_pattern.h"
#include "host/io/y4m_stream.h"
#include "host/frame_filter.h"
#include "host/stream_job.h"
#include "host/module_path.h"
#include "host/preview_window.h"
#include "host/session/frame_buffers.h"
#include "host/session/module_host.h"
#include "host/window_capture.h"

namespace tesselox::host {
namespace {

using io::IoError;

std::string SizeText(std::int32_t width, std::int32_t height) {
  return std::to_string(width) + "x" + std::to_string(height);
}

std::string WindowText(HWND window) {
  char text[256] = {};
  if (window != nullptr) GetWindowTextA(window, text, sizeof text);
  return text;
}

// Bytes in the UTF-8 character that starts with `lead`; a stray byte counts as one.
std::size_t CharacterLength(unsigned char lead) {
  return lead >= 0xf0 ? 4 : lead >= 0xe0 ? 3 : lead >= 0xc0 ? 2 : 1;
}

// Selects the field's whole text and types the keys as a person would, one WM_CHAR per byte,
// noting each character that leaves the text as it was.
io::Typing TypeKeys(ModuleHost& session, FieldId id, const std::string& keys) {
  io::Typing typing{keys};
  const HWND edit = session.Field(id).edit;
  typing.lengthLimit = static_cast<int>(SendMessageA(edit, EM_GETLIMITTEXT, 0, 0));
  SendMessageA(edit, EM_SETSEL, 0, -1);
  for (std::size_t k = 0; k < keys.size();) {
    const std::string before = session.FieldText(id);
    DWORD start = 0, end = 0;
    SendMessageA(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    const std::size_t length =
        std::min(CharacterLength(static_cast<unsigned char>(keys[k])), keys.size() - k);
    for (std::size_t m = 0; m < length; ++m)
      SendMessageA(edit, WM_CHAR, static_cast<unsigned char>(keys[k + m]), 1);
    k += length;
    if (session.FieldText(id) != before) continue;
    if (start == end && static_cast<int>(before.size()) >= typing.lengthLimit) {
      ++typing.pastLimit;
    } else {
      ++typing.refused;
    }
  }
  return typing;
}

// Types the --set values, then says, one line per field, where a field holds or the filter will
// use something other than the integer typed; with --strict the first such line is the error.
void ApplyEdits(ModuleHost& session, const io::Options& options, io::Size capacity,
                std::ostream& errors) {
  std::map<int, io::Typing> typed;  // the last edit of each field counts
  for (const io::FieldEdit& edit : options.edits) {
    const HWND box = session.FieldByLabel(edit.label).edit;
    std::optional<FieldId> id;
    for (int k = 0; k < kFieldCount && box != nullptr; ++k) {
      if (session.Field(static_cast<FieldId>(k)).edit == box) id = static_cast<FieldId>(k);
    }
    if (!id) throw IoError("the module has no field labelled \"" + edit.label + "\"");
    typed[static_cast<int>(*id)] = TypeKeys(session, *id, edit.value);
    session.PumpMessages();
  }
  io::FieldStates fields;
  for (int k = 0; k < kFieldCount; ++k) {
    const auto id = static_cast<FieldId>(k);
    const FieldRange range = session.Range(id);
    fields[static_cast<std::size_t>(k)] = {session.FieldText(id), range.low, range.high};
  }
  std::vector<std::string> notices;
  for (const auto& [field, typing] : typed) {
    if (auto notice = io::FieldNotice(field, typing, fields, capacity)) notices.push_back(*notice);
  }
  if (options.strict && !notices.empty()) {
    const std::size_t more = notices.size() - 1;
    throw IoError(notices.front() + (more == 0 ? "" : " (and " + std::to_string(more) + " more)") +
                  " (--strict)");
  }
  for (const std::string& notice : notices) errors << "tesselox-host: notice: " << notice << "\n";
}

// --scale: the whole input frame to W x H, typed before any --set. These are values the user did
// not type, so one outside its field's range (which would read as 0) is an error.
void TypeScale(ModuleHost& session, const io::Options& options, io::Size input) {
  if (!options.scale) return;
  for (const io::FieldEdit& edit : io::ScaleEdits(*options.scale, input)) {
    const HWND box = session.FieldByLabel(edit.label).edit;
    int k = 0;
    while (k < kFieldCount &&
           (box == nullptr || session.Field(static_cast<FieldId>(k)).edit != box))
      ++k;
    if (k == kFieldCount) throw IoError("the module has no field labelled \"" + edit.label + "\"");
    const auto id = static_cast<FieldId>(k);
    const FieldRange range = session.Range(id);
    const long value = std::stol(edit.value);
    if (value < range.low || value > range.high) {
      throw IoError("--scale: the field \"" + edit.label + "\" takes " + std::to_string(range.low) +
                    ".." + std::to_string(range.high) + ", not " + edit.value);
    }
    session.TypeIntoField(id, edit.value);
    session.PumpMessages();
  }
}

void PrintFields(ModuleHost& session, std::ostream& out) {
  for (int k = 0; k < kFieldCount; ++k) {
    const auto id = static_cast<FieldId>(k);
    const FieldControls controls = session.Field(id);
    if (controls.edit == nullptr) {
      out << io::kFieldLabels[static_cast<std::size_t>(k)] << ": (no field)\n";
      continue;
    }
    const FieldRange range = session.Range(id);
    out << WindowText(controls.label) << ": \"" << session.FieldText(id) << "\" range " << range.low
        << ".." << range.high << "\n";
  }
}

void WritePng(io::OutputFile& file, const io::Image& image, int depth = 8) {
  const auto png = io::EncodePng(image, depth);
  file.Stream().write(reinterpret_cast<const char*>(png.data()),
                      static_cast<std::streamsize>(png.size()));
}

// Opens the configuration window and a preview; every edit re-renders the preview. Returns
// the last frame rendered once the user closes either window.
io::Image ShowInteractively(ModuleHost& session, FrameFilter& filter, const io::Image& input,
                            io::Image output) {
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
  if (!preview.Create()) throw IoError("cannot open the preview window");
  preview.Display(output);
  // The frame callback itself rewrites fields; only the user's edits ask for a new render.
  session.SetEditUpdatedHook([&] {
    if (!rendering) preview.RequestRender();
  });
  ShowWindow(session.ConfigWindow(), SW_SHOWNORMAL);
  MSG msg;
  while (preview.IsOpen() && IsWindow(session.ConfigWindow()) &&
         GetMessageA(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  session.SetEditUpdatedHook(nullptr);
  if (!failure.empty()) throw IoError(failure);
  return output;
}

int Run(const io::Options& options, std::ostream& report, std::ostream& errors) {
  // Everything that can be refused is refused before the module is loaded.
  std::optional<io::InputFile> inputFile;
  io::InputKind kind = io::InputKind::Image;
  if (!options.in.empty()) {
    inputFile.emplace(options.in);
    kind = inputFile->Kind();
  }
  io::CheckOutputPath(kind, options.out);
  io::CheckOutputFolder(options.out, options.out == io::kDefaultOutput);
  if (!options.screenshot.empty()) {
    io::CheckOutputFolder(options.screenshot, false);
    if (io::SameFile(options.screenshot, options.out))
      throw IoError("--screenshot and --out name the same file " + options.out);
  }
  if (kind == io::InputKind::Y4m && options.frames != 1)
    throw IoError("--frames repeats a still input; a Y4M stream is filtered frame by frame");
  if (kind == io::InputKind::Y4m && options.outDepth != 8)
    throw IoError("--out-depth sets a PNG output's depth; Y4M is written with 8 bits");
  if (kind == io::InputKind::Y4m && options.show)
    throw IoError("--show needs a still input (a picture or the test pattern)");

  io::Image still;
  std::optional<io::Y4mReader> reader;
  io::Size inputSize;
  if (kind == io::InputKind::Image) {
    std::vector<std::string> notices;
    still = inputFile ? io::ReadImage(inputFile->Stream(), inputFile->Name(), &notices)
                      : io::MakeTestPattern();
    if (inputFile) inputFile->Close();  // read whole: the output may replace it
    for (const std::string& notice : notices) errors << "tesselox-host: notice: " << notice << "\n";
    inputSize = {still.width, still.height};
  } else {
    reader.emplace(inputFile->Stream(), inputFile->Name());
    inputSize = {reader->Header().width, reader->Header().height};
  }
  io::CheckFrameArea(inputSize, "the input");
  io::CheckCapacityArea(options, inputSize);
  const io::Size capacity = io::EffectiveCapacity(options, inputSize);
  if (inputSize.width > capacity.width || inputSize.height > capacity.height) {
    throw IoError("the input is " + SizeText(inputSize.width, inputSize.height) +
                  ", larger than the buffers' capacity " +
                  SizeText(capacity.width, capacity.height) + " (see --capacity)");
  }

  ModuleHost session;
  const std::string modulePath = options.module.empty() ? DefaultModulePath() : options.module;
  if (!session.Load(modulePath)) throw IoError(session.Error());
  session.SetLargestFrame(options.max.width, options.max.height);
  if (!session.CreateWindows()) throw IoError("cannot create the configuration window");
  session.SendInit();
  session.PumpMessages();

  // The fields start with ranges made for no frame in particular ("src x" -32..32), and a value
  // typed outside a field's range reads as 0 at the next frame. So the host shows the module
  // the first frame before typing, as an editor shows its first frame before the user edits.
  FrameFilter filter(session, capacity, io::CapacityOrigin(options, inputSize));
  std::optional<StreamJob> stream;
  if (kind == io::InputKind::Image) {
    filter.Run(still, false);
  } else {
    stream.emplace(*reader, filter, inputFile->Name());
    stream->ShowFirstFrame();
  }
  TypeScale(session, options, inputSize);
  ApplyEdits(session, options, capacity, errors);

  std::optional<io::OutputFile> screenshot;
  if (!options.screenshot.empty()) {
    const io::Image shot = CaptureWindow(session.ConfigWindow());
    if (shot.pixels.empty()) throw IoError("cannot read the configuration window from the screen");
    screenshot.emplace(options.screenshot);
    WritePng(*screenshot, shot);
  }

  io::OutputFile out(options.out, options.out == io::kDefaultOutput);
  io::Size outputSize;
  if (kind == io::InputKind::Image) {
    io::Image output;
    for (std::int32_t k = 0; k < options.frames; ++k) output = filter.Run(still);
    if (options.show) output = ShowInteractively(session, filter, still, output);
    outputSize = {output.width, output.height};
    // PNG encoding needs several copies of the output: the input and the buffers go first.
    filter.ReleaseBuffers();
    still = io::Image();
    WritePng(out, output, options.outDepth);
  } else {
    outputSize = stream->Run(out.Stream(), errors);
  }

  // A stream read to its end is let go of too, so that the output may replace it.
  if (inputFile) inputFile->Close();
  if (screenshot) screenshot->Commit();
  out.Commit();
  if (options.printFields) PrintFields(session, report);
  report << "input " << SizeText(inputSize.width, inputSize.height) << ", output "
         << SizeText(outputSize.width, outputSize.height) << ", " << filter.Frames()
         << (filter.Frames() == 1 ? " frame, " : " frames, ") << std::fixed << std::setprecision(3)
         << filter.MillisecondsPerFrame() << " ms per frame\n";
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

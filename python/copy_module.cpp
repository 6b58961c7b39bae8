// The Python module tesselox._tesselox: numpy arrays handed to the C API as planes, in place.

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <tesselox/tesselox.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <limits>
#include <optional>
#include <string>

namespace py = pybind11;

namespace tesselox::python {
namespace {

constexpr std::int64_t kInt32Max = std::numeric_limits<std::int32_t>::max();
constexpr std::int64_t kInt32Min = std::numeric_limits<std::int32_t>::min();

// An array as a plane. Rows run along axis 0, pixels along axis 1, a pixel's channels (axis 2)
// must lie side by side. Columns stored right to left ([:, ::-1]) make a plane of the same
// memory read left to right, and `mirrored` says that the request's columns must be turned
// over to match.
struct ArrayPlane {
  tesselox_plane plane;
  bool mirrored;
};

// Imported once and never released: a module object must not outlive the interpreter.
const py::module_& Numpy() {
  static const auto* numpy = new py::module_(py::module_::import("numpy"));
  return *numpy;
}

[[noreturn]] void Refuse(const std::string& what) {
  throw py::value_error("tesselox.copy: " + what);
}

ArrayPlane PlaneOf(py::array array, const char* name, bool writable) {
  const auto rank = array.ndim();
  if (rank != 2 && rank != 3) {
    Refuse(std::string(name) + " must have 2 or 3 dimensions, (height, width) or (height, width, " +
           "channels), not " + std::to_string(rank));
  }
  if (array.dtype().attr("hasobject").cast<bool>()) {
    Refuse(std::string(name) + " holds Python objects, which cannot be copied as bytes");
  }
  if (writable && !array.writeable()) Refuse(std::string(name) + " is read-only");
  const std::int64_t item = array.itemsize();
  const std::int64_t channels = rank == 3 ? array.shape(2) : 1;
  const std::int64_t pixelBytes = item * channels;
  if (pixelBytes != 1 && pixelBytes != 2 && pixelBytes != 3 && pixelBytes != 4 && pixelBytes != 6 &&
      pixelBytes != 8) {
    Refuse(std::string(name) + "'s pixels are " + std::to_string(pixelBytes) + " bytes (" +
           std::to_string(channels) + " x " + py::str(array.dtype()).cast<std::string>() +
           "); pixels of 1, 2, 3, 4, 6 or 8 bytes are copied");
  }
  const std::int64_t width = array.shape(1), height = array.shape(0);
  const bool empty = width == 0 || height == 0 || channels == 0;
  if (!empty && channels > 1 && array.strides(2) != item) {
    Refuse(std::string(name) + "'s channels are not side by side in memory; " +
           "numpy.ascontiguousarray makes a copy whose channels are");
  }
  if (width > kInt32Max || height > kInt32Max) {
    Refuse(std::string(name) + " has more than 2147483647 rows or columns");
  }
  const std::int64_t column = array.strides(1);
  const bool mirrored = !empty && width > 1 && column == -pixelBytes;
  if (!empty && width > 1 && column != pixelBytes && !mirrored) {
    Refuse(std::string(name) + "'s pixels are not side by side in its rows (a column step of " +
           std::to_string(column) + " bytes for " + std::to_string(pixelBytes) +
           "-byte pixels); numpy.ascontiguousarray makes a copy whose pixels are");
  }
  // The data pointer of an empty array may be anything; the C API wants no pixels there.
  auto* data =
      static_cast<std::uint8_t*>(const_cast<void*>(writable ? array.mutable_data() : array.data()));
  if (mirrored) data += (width - 1) * column;
  return {
      {empty ? nullptr : data, static_cast<std::int32_t>(width), static_cast<std::int32_t>(height),
       array.strides(0), static_cast<std::int32_t>(pixelBytes)},
      mirrored};
}

std::int32_t Int32(const py::handle& value, const char* what) {
  const auto v = py::int_(py::reinterpret_borrow<py::object>(value)).cast<std::int64_t>();
  if (v < kInt32Min || v > kInt32Max) {
    Refuse(std::string(what) + " " + std::to_string(v) + " is outside the 32-bit range");
  }
  return static_cast<std::int32_t>(v);
}

template <std::size_t kCount>
std::array<std::int32_t, kCount> Ints(const py::object& values, const char* what) {
  if (!py::isinstance<py::sequence>(values) || py::isinstance<py::str>(values) ||
      py::len(values) != kCount) {
    Refuse(std::string(what) + " must be " + std::to_string(kCount) + " integers");
  }
  std::array<std::int32_t, kCount> ints{};
  const auto sequence = py::reinterpret_borrow<py::sequence>(values);
  for (std::size_t k = 0; k < kCount; ++k) {
    if (!py::isinstance<py::int_>(sequence[k]) && !py::hasattr(sequence[k], "__index__")) {
      Refuse(std::string(what) + " must be " + std::to_string(kCount) + " integers");
    }
    ints[k] = Int32(sequence[k], what);
  }
  return ints;
}

// A corner and extent of a plane stored right to left, as the same pixels counted left to right.
void TurnOver(std::int32_t& corner, std::int32_t& extent, std::int32_t width, const char* what) {
  const std::int64_t turned = static_cast<std::int64_t>(width) - 1 - corner;
  if (turned > kInt32Max || extent == kInt32Min) {
    Refuse(std::string(what) + " is too far out for an array whose columns run right to left");
  }
  corner = static_cast<std::int32_t>(turned);
  extent = -extent;
}

// The fill as one pixel's bytes: a number for every channel, or one per channel.
std::array<std::uint8_t, 8> FillBytes(const py::object& fill, const py::array& like,
                                      std::int64_t channels) {
  std::array<std::uint8_t, 8> bytes{};
  if (py::isinstance<py::int_>(fill) && fill.cast<std::int64_t>() == 0) return bytes;
  const py::module_& numpy = Numpy();
  const py::object given = numpy.attr("asarray")(fill);
  const py::object converted =
      given.attr("astype")(like.dtype()).attr("reshape")(-1).attr("copy")();
  const auto count = py::len(converted);
  if ((count != 1 && static_cast<std::int64_t>(count) != channels) ||
      !numpy.attr("array_equal")(converted, given.attr("reshape")(-1), py::arg("equal_nan") = true)
           .cast<bool>()) {
    Refuse("fill " + py::repr(fill).cast<std::string>() + " is not one " +
           py::str(like.dtype()).cast<std::string>() + " value or " + std::to_string(channels) +
           " of them");
  }
  const auto pixel = py::array(converted.attr("repeat")(channels / count));
  std::memcpy(bytes.data(), pixel.data(), static_cast<std::size_t>(pixel.nbytes()));
  return bytes;
}

// A name as the C API's value; an unknown one is refused with the names known.
template <std::size_t kCount>
int Choice(const std::string& name, const std::array<std::pair<const char*, int>, kCount>& known,
           const char* what) {
  std::string all;
  for (const auto& [text, value] : known) {
    if (name == text) return value;
    all += all.empty() ? "" : ", ";
    all += text;
  }
  Refuse("unknown " + std::string(what) + " \"" + name + "\" (known: " + all + ")");
}

constexpr std::array<std::pair<const char*, int>, 5> kFits{{{"none", TESSELOX_FIT_NONE},
                                                            {"stretch", TESSELOX_FIT_STRETCH},
                                                            {"contain", TESSELOX_FIT_CONTAIN},
                                                            {"cover", TESSELOX_FIT_COVER},
                                                            {"integer", TESSELOX_FIT_INTEGER}}};
constexpr std::array<std::pair<const char*, int>, 2> kSamplings{
    {{"edge", TESSELOX_SAMPLING_EDGE}, {"center", TESSELOX_SAMPLING_CENTER}}};

py::array Copy(const py::array& src, const py::object& size, const py::object& srcRect,
               const py::object& dstRect, const py::object& phase, const py::object& fill,
               const py::object& out, const std::string& fitName, const std::string& samplingName) {
  const int fit = Choice(fitName, kFits, "fit");
  const int sampling = Choice(samplingName, kSamplings, "sampling");
  const ArrayPlane source = PlaneOf(src, "src", false);
  py::array target;
  if (!out.is_none()) {
    if (!py::isinstance<py::array>(out)) Refuse("out must be a numpy array");
    target = py::reinterpret_borrow<py::array>(out);
    if (!size.is_none()) Refuse("give size or out, not both");
    if (!target.dtype().equal(src.dtype())) {
      Refuse("out is " + py::str(target.dtype()).cast<std::string>() + " and src " +
             py::str(src.dtype()).cast<std::string>() + ": they must be the same");
    }
    if (target.ndim() != src.ndim() || (src.ndim() == 3 && target.shape(2) != src.shape(2))) {
      Refuse("out must have src's channels");
    }
  } else {
    std::array<std::int32_t, 2> wh{source.plane.width, source.plane.height};
    if (!size.is_none()) wh = Ints<2>(size, "size");
    if (wh[0] < 0 || wh[1] < 0) Refuse("size must not be negative");
    const py::tuple shape =
        src.ndim() == 3 ? py::make_tuple(wh[1], wh[0], src.shape(2)) : py::make_tuple(wh[1], wh[0]);
    // Every pixel is drawn or filled; with no fill the canvas starts black.
    target = Numpy().attr(fill.is_none() ? "zeros" : "empty")(shape, src.dtype());
  }
  const ArrayPlane destination = PlaneOf(target, "out", true);

  std::array<std::int32_t, 4> from{0, 0, source.plane.width, source.plane.height};
  if (!srcRect.is_none()) from = Ints<4>(srcRect, "src_rect");
  std::array<std::int32_t, 4> to{0, 0, destination.plane.width, destination.plane.height};
  if (!dstRect.is_none()) to = Ints<4>(dstRect, "dst_rect");
  const std::array<std::int32_t, 2> steps = Ints<2>(phase, "phase");
  // Fitted in the arrays' own coordinates, then turned over where their columns run backwards.
  tesselox_request request{from[0], from[1], from[2], from[3],  to[0],
                           to[1],   to[2],   to[3],   steps[0], steps[1]};
  if (const int status = tesselox_request_fit(&request, &request, destination.plane.width,
                                              destination.plane.height, nullptr, fit, sampling))
    Refuse(tesselox_error_text(status));
  if (source.mirrored) TurnOver(request.src_x, request.src_cx, source.plane.width, "src_rect");
  if (destination.mirrored)
    TurnOver(request.dst_x, request.dst_cx, destination.plane.width, "dst_rect");

  const std::int64_t channels = src.ndim() == 3 ? src.shape(2) : 1;
  std::optional<std::array<std::uint8_t, 8>> pixel;
  if (!fill.is_none()) pixel = FillBytes(fill, src, channels);

  int status = 0;
  {
    py::gil_scoped_release unlocked;
    status = tesselox_copy_plane(&destination.plane, &source.plane, &request,
                                 pixel ? pixel->data() : nullptr);
  }
  if (status == TESSELOX_ERROR_OVERLAP) Refuse("out and src share memory");
  if (status != TESSELOX_OK) Refuse(tesselox_error_text(status));
  return target;
}

}  // namespace
}  // namespace tesselox::python

PYBIND11_MODULE(_tesselox, module) {
  module.attr("__version__") = tesselox_version();
  module.def("copy", &tesselox::python::Copy, py::arg("src"), py::arg("size") = py::none(),
             py::kw_only(), py::arg("src_rect") = py::none(), py::arg("dst_rect") = py::none(),
             py::arg("phase") = py::make_tuple(0, 0), py::arg("fill") = 0,
             py::arg("out") = py::none(), py::arg("fit") = "none", py::arg("sampling") = "edge",
             R"(Copies a rectangle of src, nearest-neighbour, into a rectangle of an output array.

src is a numpy array of shape (height, width) or (height, width, channels) whose pixel
(channels x itemsize) is 1, 2, 3, 4, 6 or 8 bytes: uint8 grey, RGB or RGBA, uint16 grey, RGB or
RGBA, float32 or float64 grey, and so on. Any view whose pixels lie side by side in its rows
will do (slices, rows in steps, src[::-1], src[:, ::-1]); it is read in place, never copied.

size     (width, height) of a new output array; the default is src's size.
out      an existing array to draw into instead (src's dtype and channels; not sharing memory
         with src); size must then be None.
src_rect (x, y, cx, cy): the source rectangle's corner and extent; the default is all of src.
dst_rect (x, y, cx, cy): the destination rectangle in the output; the default is all of it.
         A negative extent runs from the corner leftwards (upwards), so opposite signs of a
         source and destination extent mirror the copy.
phase    (px, py) in output pixels: moves where a repeated source pixel steps to the next one,
         never the first pixel of a run. Phases that differ by |dst cx| are the same.
fill     the value of every output pixel outside the copy: one number or one per channel
         (default 0, black); None leaves those pixels of out as they are.
fit      "none" (dst_rect as given), "stretch" (the whole output), "contain" (the largest
         rectangle of src_rect's shape, centred), "cover" (the whole output, src_rect cropped
         about its centre to its shape) or "integer" (the largest whole multiple, centred, or
         as "contain" when even 1 does not fit); a negative extent still mirrors.
sampling "edge": output pixel i samples at its left edge, moved by the phase (OpenCV
         INTER_NEAREST); "center": at its centre, floor((i + 1/2) * |cx| / |dst cx|) (Pillow
         NEAREST, GStreamer videoscale); the phase is then computed.

Output pixel i of a row (0 <= i < |dst cx|) takes source column
x + trunc(i * cx / |dst cx|) with phase 0, and likewise for rows; pixels whose source lies outside
src are not drawn. Returns the output array. The GIL is released during the copy, so threads
may copy at once. Bad arguments raise ValueError.)");
}

/* Tesselox: a nearest-neighbour copy of a rectangle of one plane into a rectangle of another.
 *
 * PLANES. Pixel (x, y) of a plane, 0 <= x < width, 0 <= y < height, is the pixel_bytes bytes at
 * data + y * stride + x * pixel_bytes. A negative stride stores the rows bottom-up. The copy
 * moves pixels whole and never looks inside one. Bytes past width * pixel_bytes in a row are
 * neither read nor written.
 *
 * THE COPY, per axis (columns shown; rows likewise with the _y values and the heights).
 * Destination index i, 0 <= i < |dst_cx|, is column dst_x + i when dst_cx > 0 and dst_x - i
 * when dst_cx < 0. With phase 0 it takes source column src_x + trunc(i * src_cx / |dst_cx|), so
 * a negative dst_cx or src_cx mirrors the copy, and both negative do not. An extent of 0 draws
 * nothing. Every int32 value is allowed; all arithmetic is exact.
 *
 * EDGES. An index is drawn when its destination column lies in dst and its phase-0 source column
 * lies in src (in both axes); the drawn indices of an axis are consecutive.
 *
 * PHASE. Along an axis whose first drawn index is i0, index i takes source column
 *   src_x + sgn(src_cx) * (q + floor((r + (i - i0) * |src_cx|) / |dst_cx|)),
 *   q = floor(i0 * |src_cx| / |dst_cx|), r = ((i0 + phase_x) * |src_cx|) mod |dst_cx|:
 * the phase moves where the source steps, never which pixels are drawn or the source of the
 * first. Phases that differ by a multiple of |dst_cx| are the same, negative ones included.
 * Where a phase carries the last indices one column beyond the source's edge, they repeat the
 * edge column.
 *
 * FILL. Every pixel of dst that is not drawn is set to the pixel_bytes bytes at fill, or left as
 * it was when fill is NULL.
 *
 * FRAMES. tesselox_copy_frame draws every plane of a frame with one request, given in luma
 * pixels of a frame `width` x `height`. A plane with shifts sx, sy (0 to 2) holds
 * ceil(width / 2^sx) x ceil(height / 2^sy) samples, and its sample (cx, cy) stands for luma
 * pixel (cx * 2^sx, cy * 2^sy): where the copy draws that pixel from source pixel (x, y), the
 * sample takes the source plane's sample (x >> sx, y >> sy); where it does not, the fill. That
 * is the same as repeating each sample over its block, copying at full size and keeping each
 * block's top-left sample: nothing is blended. Semi-planar chroma (NV12) is one plane of
 * 2-byte samples (4-byte for 16-bit formats). A packed 4:2:2 plane (shifts 0) holds
 * ceil(width / 2) macropixels a row, two luma samples and one chroma pair each, pixel_bytes
 * being one luma and one chroma sample (2, or 4 for 16-bit samples), the luma first (Y U Y V,
 * Y V Y U) or second (U Y V Y, V Y U Y): each luma sample is copied as in a full-size plane, each
 * pair as the sample of a plane with shift_x 1; its fill is one macropixel, and an odd width's
 * last macropixel has a second luma sample that belongs to no pixel, never read, set from the
 * fill like a pixel not drawn. The two frames' planes match one to one in pixel_bytes, shifts
 * and packing; no plane may share a byte with another.
 *
 * ERRORS. A call returns 0, or a negative tesselox_status before touching any pixel:
 * tesselox_error_text names it. The planes must not share any byte of the span from their
 * lowest to their highest pixel byte. Nothing outside either plane's pixels is read or written,
 * for any values. Calls keep no state: any number of threads may draw into different planes,
 * and share plans and sources.
 */
#ifndef TESSELOX_TESSELOX_H
#define TESSELOX_TESSELOX_H

#include <stddef.h>
#include <stdint.h>

#if defined(__GNUC__) && !defined(_WIN32)
#define TESSELOX_API __attribute__((visibility("default")))
#else
#define TESSELOX_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* clang-format off */
typedef struct tesselox_plane {
  void *data;            /* first pixel of the first row */
  int32_t width, height; /* in pixels */
  ptrdiff_t stride;      /* bytes from one row to the next; |stride| >= width * pixel_bytes; negative for rows stored bottom-up */
  int32_t pixel_bytes;   /* 1, 2, 3, 4, 6 or 8 */
} tesselox_plane;

typedef struct tesselox_request {
  int32_t src_x, src_y, src_cx, src_cy; /* source rectangle: corner and signed extent */
  int32_t dst_x, dst_y, dst_cx, dst_cy; /* destination rectangle */
  int32_t phase_x, phase_y;
} tesselox_request;
/* clang-format on */

/* How a frame plane's samples lie. */
typedef enum tesselox_packing {
  TESSELOX_PLANAR = 0,            /* one sample per pixel_bytes */
  TESSELOX_PACKED_422_LUMA_FIRST, /* Y U Y V, Y V Y U */
  TESSELOX_PACKED_422_LUMA_SECOND /* U Y V Y, V Y U Y */
} tesselox_packing;

/* clang-format off */
typedef struct tesselox_frame_plane {
  void *data;              /* first sample of the first row */
  ptrdiff_t stride;        /* bytes from one row to the next, as in tesselox_plane */
  int32_t pixel_bytes;     /* a sample's bytes, as in tesselox_plane; packed: a luma and a chroma sample's, 2 or 4 */
  int32_t shift_x, shift_y; /* 0 to 2: the plane is subsampled 2^shift_x across and 2^shift_y down */
  int32_t packing;         /* a tesselox_packing */
} tesselox_frame_plane;

typedef struct tesselox_frame {
  int32_t width, height;   /* in luma pixels */
  int32_t plane_count;     /* 1 to 4, the first plane_count of planes */
  tesselox_frame_plane planes[4];
} tesselox_frame;
/* clang-format on */

typedef enum tesselox_status {
  TESSELOX_OK = 0,
  TESSELOX_ERROR_NULL_ARGUMENT = -1, /* a plane, the request, the plan or its result is NULL */
  TESSELOX_ERROR_NULL_DATA = -2,     /* a plane with pixels has NULL data */
  TESSELOX_ERROR_NEGATIVE_SIZE = -3, /* a width or height below 0 */
  TESSELOX_ERROR_PIXEL_BYTES = -4,   /* a pixel size other than 1, 2, 3, 4, 6 or 8 (packed: 2, 4) */
  TESSELOX_ERROR_PIXEL_BYTES_DIFFER = -5,
  TESSELOX_ERROR_STRIDE = -6,    /* |stride| < width * pixel_bytes in a plane with pixels */
  TESSELOX_ERROR_OVERLAP = -7,   /* dst and src share memory */
  TESSELOX_ERROR_PLAN_SIZE = -8, /* a plane's size is not the one its plan was made for */
  TESSELOX_ERROR_NO_MEMORY = -9,
  TESSELOX_ERROR_FRAME = -10, /* a plane count, shift or packing out of range, or unlike */
  TESSELOX_ERROR_ROWS = -11,  /* rows [first, last) not within 0..height */
  TESSELOX_ERROR_FIT = -12    /* a fit mode, sampling or pixel aspect ratio that is none */
} tesselox_status;

/* Draws the copy `request` asks for from src into dst, as described above. */
TESSELOX_API int tesselox_copy_plane(const tesselox_plane* dst, const tesselox_plane* src,
                                     const tesselox_request* request, const void* fill);

/* A copy planned once for a dst_width x dst_height destination and a src_width x src_height
 * source, drawn into any number of planes of those sizes: the planes of one frame, or frame
 * after frame. Drawing with a plan gives what tesselox_copy_plane gives. */
typedef struct tesselox_plan tesselox_plan;

/* Stores a new plan in *plan (NULL on error). */
TESSELOX_API int tesselox_plan_create(tesselox_plan** plan, int32_t dst_width, int32_t dst_height,
                                      int32_t src_width, int32_t src_height,
                                      const tesselox_request* request);

/* Draws `count` planes: src[k] into dst[k] with fill[k] (fill NULL: no fill for any). Every
 * plane is checked before any is drawn. */
TESSELOX_API int tesselox_plan_draw(const tesselox_plan* plan, const tesselox_plane* dst,
                                    const tesselox_plane* src, const void* const* fill,
                                    size_t count);

/* Draws every plane of the frame src into those of dst as `request` (in luma pixels) asks, as
 * FRAMES above says, with fill[k] for plane k (fill NULL: no fill for any; fill[k] NULL: none for
 * plane k). Every plane is checked before any is drawn. */
TESSELOX_API int tesselox_copy_frame(const tesselox_frame* dst, const tesselox_frame* src,
                                     const tesselox_request* request, const void* const* fill);

/* The same with a plan made for the frames' luma sizes. */
TESSELOX_API int tesselox_plan_draw_frame(const tesselox_plan* plan, const tesselox_frame* dst,
                                          const tesselox_frame* src, const void* const* fill);

/* Draws rows [first, last) of every dst[k] as tesselox_plan_draw would, fill included, and
 * touches no other row; rows are numbered as in PLANES, bottom-up planes included, and
 * 0 <= first <= last <= the plan's dst_height. Calls for disjoint rows may run at once on any
 * threads with one plan and the same planes; together they give tesselox_plan_draw's bytes for
 * any split. */
TESSELOX_API int tesselox_plan_draw_rows(const tesselox_plan* plan, const tesselox_plane* dst,
                                         const tesselox_plane* src, const void* const* fill,
                                         size_t count, int32_t first, int32_t last);

/* Draws luma rows [first, last) of the frames as tesselox_plan_draw_frame would, 0 <= first <=
 * last <= the plan's dst_height, rows numbered as in PLANES. A plane subsampled 2^shift_y down
 * draws its rows [ceil(first / 2^shift_y), ceil(last / 2^shift_y)) and touches no other, so that
 * calls for disjoint luma rows may run at once on any threads, and together give
 * tesselox_plan_draw_frame's bytes for any split. */
TESSELOX_API int tesselox_plan_draw_frame_rows(const tesselox_plan* plan, const tesselox_frame* dst,
                                               const tesselox_frame* src, const void* const* fill,
                                               int32_t first, int32_t last);

/* Frees a plan; NULL is allowed. */
TESSELOX_API void tesselox_plan_destroy(tesselox_plan* plan);

/* FIT. How the destination follows from the source rectangle's magnitude (its sign still mirrors)
 * on a frame_width x frame_height frame, compared in display units: a source pixel is
 * pixel_aspect[0] / pixel_aspect[1] wide for 1 high, a frame pixel pixel_aspect[2] /
 * pixel_aspect[3] (NULL: square pixels). Let the source be w x h and the frame W x H, w counted
 * in frame pixels. NONE keeps the request; STRETCH draws into the whole frame; CONTAIN into the
 * largest w:h rectangle that fits, centred: width W and height round(h * W / w) when
 * w * H >= h * W, else height H and width round(w * H / h), halves up, at least 1, corner
 * ((W - width) / 2, (H - height) / 2) rounded down; INTEGER into k w x k h centred likewise, k the
 * largest whole number with k w <= W and k h <= H, or as CONTAIN when k would be 0; COVER into the
 * whole frame from the source narrowed about its centre to the frame's shape. A negative dst
 * extent mirrors the computed destination as it mirrors any other. */
typedef enum tesselox_fit {
  TESSELOX_FIT_NONE = 0,
  TESSELOX_FIT_STRETCH = 1,
  TESSELOX_FIT_CONTAIN = 2,
  TESSELOX_FIT_COVER = 3,
  TESSELOX_FIT_INTEGER = 4
} tesselox_fit;

/* SAMPLING. EDGE keeps the phases: with phase 0 index i samples at its left (top) edge.
 * CENTER makes index i take the source pixel under its centre, floor((i + 1/2) * |src_cx| /
 * |dst_cx|) along the source's direction, through the phase and, for shrinks by 2 or more, a
 * source corner moved inwards; exact wherever the first index of an axis is drawn. */
typedef enum tesselox_sampling {
  TESSELOX_SAMPLING_EDGE = 0,
  TESSELOX_SAMPLING_CENTER = 1
} tesselox_sampling;

/* Stores in *result the request that `fit` and `sampling` make of *request (which may be
 * result). Fails with TESSELOX_ERROR_FIT for an unknown fit or sampling or an aspect term below
 * 1, and with TESSELOX_ERROR_NEGATIVE_SIZE for a negative frame size. */
TESSELOX_API int tesselox_request_fit(tesselox_request* result, const tesselox_request* request,
                                      int32_t frame_width, int32_t frame_height,
                                      const int32_t* pixel_aspect, int fit, int sampling);

/* A sentence in English for a status; "unknown status" for a value that is none. */
TESSELOX_API const char* tesselox_error_text(int status);

/* The library's version, "MAJOR.MINOR.PATCH". */
TESSELOX_API const char* tesselox_version(void);

#ifdef __cplusplus
}
#endif

#endif /* TESSELOX_TESSELOX_H */

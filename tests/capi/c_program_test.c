/* A C99 program against libtesselox.so: the header is valid C, the exports link, and a mirrored
 * copy with a fill, made directly and through a plan, draws what it should. */
#include <string.h>

#include <tesselox/tesselox.h>

int main(void) {
  /* A 4 x 2 source of 2-byte pixels mirrored across into the middle of a 6 x 2 destination. */
  uint16_t src[2][4] = {{1, 2, 3, 4}, {5, 6, 7, 8}}, dst[2][6];
  const uint16_t fill = 9, want[2][6] = {{9, 4, 3, 2, 1, 9}, {9, 8, 7, 6, 5, 9}};
  tesselox_plane d = {dst, 6, 2, sizeof dst[0], 2}, s = {src, 4, 2, sizeof src[0], 2};
  const tesselox_request mirror = {3, 0, -4, 2, 1, 0, 4, 2, 0, 0};
  const void *fills[1] = {&fill};
  tesselox_plan *plan = NULL;

  memset(dst, 0xFF, sizeof dst);
  if (tesselox_copy_plane(&d, &s, &mirror, &fill) != TESSELOX_OK || memcmp(dst, want, sizeof dst))
    return 1;
  memset(dst, 0xFF, sizeof dst);
  if (tesselox_plan_create(&plan, 6, 2, 4, 2, &mirror) != TESSELOX_OK ||
      tesselox_plan_draw(plan, &d, &s, fills, 1) != TESSELOX_OK || memcmp(dst, want, sizeof dst))
    return 2;
  tesselox_plan_destroy(plan);
  s.pixel_bytes = 1;
  if (tesselox_copy_plane(&d, &s, &mirror, NULL) != TESSELOX_ERROR_PIXEL_BYTES_DIFFER ||
      strcmp(tesselox_error_text(TESSELOX_ERROR_PIXEL_BYTES_DIFFER), "unknown status") == 0 ||
      strcmp(tesselox_version(), TESSELOX_EXPECTED_VERSION) != 0)
    return 3;
  return 0;
}

/* The C API from a C99 program linked against libtesselox.so: the header is valid C, the
 * exports link, and a mirrored copy with a fill draws what it should. */
#include <stdio.h>
#include <string.h>

#include <tesselox/tesselox.h>

int main(void) {
  /* A 4 x 2 source of 2-byte pixels mirrored across into the middle of a 6 x 2 destination. */
  uint16_t src[2][4] = {{1, 2, 3, 4}, {5, 6, 7, 8}};
  uint16_t dst[2][6];
  const uint16_t fill = 9;
  const uint16_t want[2][6] = {{9, 4, 3, 2, 1, 9}, {9, 8, 7, 6, 5, 9}};
  tesselox_plane d = {dst, 6, 2, sizeof dst[0], 2};
  tesselox_plane s = {src, 4, 2, sizeof src[0], 2};
  const tesselox_request mirror = {3, 0, -4, 2, 1, 0, 4, 2, 0, 0};
  tesselox_plan *plan = NULL;
  int status;

  memset(dst, 0xFF, sizeof dst);
  status = tesselox_copy_plane(&d, &s, &mirror, &fill);
  if (status != TESSELOX_OK || memcmp(dst, want, sizeof dst) != 0) {
    printf("copy: %s\n", tesselox_error_text(status));
    return 1;
  }
  memset(dst, 0xFF, sizeof dst);
  status = tesselox_plan_create(&plan, 6, 2, 4, 2, &mirror);
  if (status == TESSELOX_OK) {
    const void *fills[1];
    fills[0] = &fill;
    status = tesselox_plan_draw(plan, &d, &s, fills, 1);
  }
  tesselox_plan_destroy(plan);
  if (status != TESSELOX_OK || memcmp(dst, want, sizeof dst) != 0) {
    printf("plan: %s\n", tesselox_error_text(status));
    return 1;
  }
  s.pixel_bytes = 1;
  if (tesselox_copy_plane(&d, &s, &mirror, NULL) != TESSELOX_ERROR_PIXEL_BYTES_DIFFER ||
      strcmp(tesselox_version(), TESSELOX_EXPECTED_VERSION) != 0) {
    printf("status or version wrong: %s\n", tesselox_version());
    return 1;
  }
  return 0;
}

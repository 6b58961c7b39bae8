// The one translation unit that compiles stb_image's implementation.
#define STB_IMAGE_IMPLEMENTATION
#define STBI_NO_STDIO  // the host reads files itself, so every decode goes through memory
#include <stb/stb_image.h>

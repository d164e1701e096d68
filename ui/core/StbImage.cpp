// The one translation unit that compiles the image decoder. Skin images are trusted only as far as the
// decoder's own bounds checks go, so no format is switched off.
#define STB_IMAGE_IMPLEMENTATION
#define STBI_NO_STDIO
#include <stb_image.h>

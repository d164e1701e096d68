// The one translation unit that compiles the image decoder. Skins are PNG; every other format
// stb_image knows would only add to the download.
#define STB_IMAGE_IMPLEMENTATION
#define STBI_NO_STDIO
#define STBI_ONLY_PNG
#include <stb_image.h>

// The one translation unit that compiles the image decoder. Skins are PNG (BMP stays for small
// hand-made skins); every other format stb_image knows would only add to the download.
#define STB_IMAGE_IMPLEMENTATION
#define STBI_NO_STDIO
#define STBI_ONLY_PNG
#define STBI_ONLY_BMP
#include <stb_image.h>

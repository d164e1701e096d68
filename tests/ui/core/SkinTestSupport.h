#pragma once
// Helpers of the ui/core tests: zip archives and PNG files written in the test, and a 32-bit DIB
// canvas whose pixels can be read back. Test thread only.
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace SkinTest {

// Builds a zip archive in memory, entry by entry.
class CZipBuilder {
public:
    enum class Method { Stored, Deflate };
    void Add(const std::string& name, const std::string& bytes, Method method = Method::Deflate);
    std::string Build() const;

private:
    struct TEntry {
        std::string name;
        std::string data;  // as stored in the archive
        uint32_t crc;
        uint32_t size;
        uint16_t method;
    };
    std::vector<TEntry> m_entries;
};

// Encodes straight (not premultiplied) RGBA pixels, 4 bytes each, row by row.
std::string EncodePng(int width, int height, const std::vector<uint8_t>& rgba);
// Writes a top-down BGRA pixel buffer as a PNG file. An opaque surface (a window's back buffer) is
// written as it shows, whatever GDI left in its alpha bytes; otherwise the colour is premultiplied.
enum class Surface { Opaque, Premultiplied };
bool WritePngFromBgra(const std::wstring& path, int width, int height, const uint32_t* bgra, Surface surface);

// A 32-bit top-down DIB section selected into a memory context.
class CCanvas {
public:
    CCanvas(int width, int height, uint32_t fill = 0xFF000000);
    ~CCanvas();
    CCanvas(const CCanvas&) = delete;
    CCanvas& operator=(const CCanvas&) = delete;

    HDC DC() const { return m_hDC; }
    int Width() const { return m_width; }
    int Height() const { return m_height; }
    // 0xAARRGGBB as stored.
    uint32_t Pixel(int x, int y) const;
    // 0x00RRGGBB, for checks of GDI drawing that does not keep alpha.
    uint32_t Rgb(int x, int y) const { return Pixel(x, y) & 0xFFFFFF; }
    void Fill(uint32_t color);
    const uint32_t* Bits() const { return m_bits; }
    bool SavePng(const std::wstring& path, Surface surface = Surface::Opaque) const;

private:
    int m_width;
    int m_height;
    HDC m_hDC = nullptr;
    HBITMAP m_bitmap = nullptr;
    HGDIOBJ m_old = nullptr;
    uint32_t* m_bits = nullptr;
};

// Bytes that end exactly where an inaccessible page begins, so reading one byte too far crashes.
class CGuardedBytes {
public:
    explicit CGuardedBytes(const std::string& bytes);
    ~CGuardedBytes();
    CGuardedBytes(const CGuardedBytes&) = delete;
    CGuardedBytes& operator=(const CGuardedBytes&) = delete;
    BYTE* Data() const { return m_data; }
    DWORD Size() const { return m_size; }

private:
    void* m_base = nullptr;
    BYTE* m_data = nullptr;
    DWORD m_size = 0;
};

// Straight RGBA pixels of a solid image, and of one whose pixel (x, y) is given by a function.
std::vector<uint8_t> SolidRgba(int width, int height, uint32_t argb);

// Channel-wise distance of two 0xAARRGGBB values.
int ColorDistance(uint32_t a, uint32_t b);

}  // namespace SkinTest

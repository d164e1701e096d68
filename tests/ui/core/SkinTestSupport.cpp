#include "SkinTestSupport.h"

#include <zlib.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "tests/support/TestEnv.h"
#include "ui/core/GdiScoped.h"

namespace SkinTest {

namespace {

void Put16(std::string& out, uint32_t v) {
    out.push_back(static_cast<char>(v & 0xFF));
    out.push_back(static_cast<char>((v >> 8) & 0xFF));
}

void Put32(std::string& out, uint32_t v) {
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

void PutBe32(std::string& out, uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<char>((v >> shift) & 0xFF));
}

std::string RawDeflate(const std::string& bytes) {
    z_stream stream = {};
    deflateInit2(&stream, 9, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
    std::string out(deflateBound(&stream, static_cast<uLong>(bytes.size())) + 16, '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
    stream.avail_in = static_cast<uInt>(bytes.size());
    stream.next_out = reinterpret_cast<Bytef*>(&out[0]);
    stream.avail_out = static_cast<uInt>(out.size());
    deflate(&stream, Z_FINISH);
    out.resize(stream.total_out);
    deflateEnd(&stream);
    return out;
}

void PngChunk(std::string& png, const char* type, const std::string& data) {
    PutBe32(png, static_cast<uint32_t>(data.size()));
    std::string body(type, 4);
    body += data;
    png += body;
    PutBe32(png, crc32(0, reinterpret_cast<const Bytef*>(body.data()), static_cast<uInt>(body.size())));
}

}  // namespace

void CZipBuilder::Add(const std::string& name, const std::string& bytes, Method method) {
    TEntry e;
    e.name = name;
    e.crc = crc32(0, reinterpret_cast<const Bytef*>(bytes.data()), static_cast<uInt>(bytes.size()));
    e.size = static_cast<uint32_t>(bytes.size());
    e.method = method == Method::Deflate ? 8 : 0;
    e.data = method == Method::Deflate ? RawDeflate(bytes) : bytes;
    m_entries.push_back(std::move(e));
}

std::string CZipBuilder::Build() const {
    std::string out;
    std::string central;
    for (const TEntry& e : m_entries) {
        const uint32_t offset = static_cast<uint32_t>(out.size());
        Put32(out, 0x04034b50);
        Put16(out, 20);
        Put16(out, 0);
        Put16(out, e.method);
        Put16(out, 0);
        Put16(out, 0x5C21);  // 2026-01-01
        Put32(out, e.crc);
        Put32(out, static_cast<uint32_t>(e.data.size()));
        Put32(out, e.size);
        Put16(out, static_cast<uint32_t>(e.name.size()));
        Put16(out, 0);
        out += e.name;
        out += e.data;

        Put32(central, 0x02014b50);
        Put16(central, 20);
        Put16(central, 20);
        Put16(central, 0);
        Put16(central, e.method);
        Put16(central, 0);
        Put16(central, 0x5C21);
        Put32(central, e.crc);
        Put32(central, static_cast<uint32_t>(e.data.size()));
        Put32(central, e.size);
        Put16(central, static_cast<uint32_t>(e.name.size()));
        Put16(central, 0);
        Put16(central, 0);
        Put16(central, 0);
        Put16(central, 0);
        Put32(central, 0x20);
        Put32(central, offset);
        central += e.name;
    }
    const uint32_t centralOffset = static_cast<uint32_t>(out.size());
    out += central;
    Put32(out, 0x06054b50);
    Put16(out, 0);
    Put16(out, 0);
    Put16(out, static_cast<uint32_t>(m_entries.size()));
    Put16(out, static_cast<uint32_t>(m_entries.size()));
    Put32(out, static_cast<uint32_t>(central.size()));
    Put32(out, centralOffset);
    Put16(out, 0);
    return out;
}

std::string EncodePng(int width, int height, const std::vector<uint8_t>& rgba) {
    std::string raw;
    for (int y = 0; y < height; ++y) {
        raw.push_back('\0');  // no filter
        raw.append(reinterpret_cast<const char*>(rgba.data()) + static_cast<size_t>(y) * width * 4,
                   static_cast<size_t>(width) * 4);
    }
    uLongf packedSize = compressBound(static_cast<uLong>(raw.size()));
    std::string packed(packedSize, '\0');
    compress2(reinterpret_cast<Bytef*>(&packed[0]), &packedSize, reinterpret_cast<const Bytef*>(raw.data()),
              static_cast<uLong>(raw.size()), 9);
    packed.resize(packedSize);

    std::string png("\x89PNG\r\n\x1a\n", 8);
    std::string header;
    PutBe32(header, static_cast<uint32_t>(width));
    PutBe32(header, static_cast<uint32_t>(height));
    header += std::string("\x08\x06\x00\x00\x00", 5);  // 8 bits, RGBA
    PngChunk(png, "IHDR", header);
    PngChunk(png, "IDAT", packed);
    PngChunk(png, "IEND", std::string());
    return png;
}

bool WritePngFromBgra(const std::wstring& path,
                      int width,
                      int height,
                      const uint32_t* bgra,
                      Surface surface) {
    std::vector<uint8_t> rgba(static_cast<size_t>(width) * height * 4);
    for (size_t i = 0; i < static_cast<size_t>(width) * height; ++i) {
        const uint32_t p = bgra[i];
        const uint32_t a = surface == Surface::Opaque ? 255 : p >> 24;
        // Undo the premultiplication so that viewers show the colours as drawn.
        auto straight = [a](uint32_t c) {
            return static_cast<uint8_t>(a == 0 ? 0 : std::min<uint32_t>(255, c * 255 / a));
        };
        rgba[i * 4 + 0] = straight((p >> 16) & 0xFF);
        rgba[i * 4 + 1] = straight((p >> 8) & 0xFF);
        rgba[i * 4 + 2] = straight(p & 0xFF);
        rgba[i * 4 + 3] = static_cast<uint8_t>(a);
    }
    return TestEnv::WriteFileBytes(path, EncodePng(width, height, rgba));
}

CCanvas::CCanvas(int width, int height, uint32_t fill) : m_width(width), m_height(height) {
    void* bits = nullptr;
    m_bitmap = SkinUI::CreateDib32(nullptr, width, height, &bits);
    m_bits = static_cast<uint32_t*>(bits);
    m_hDC = CreateCompatibleDC(nullptr);
    m_old = SelectObject(m_hDC, m_bitmap);
    Fill(fill);
}

CCanvas::~CCanvas() {
    SelectObject(m_hDC, m_old);
    DeleteDC(m_hDC);
    DeleteObject(m_bitmap);
}

uint32_t CCanvas::Pixel(int x, int y) const {
    GdiFlush();
    return m_bits[static_cast<size_t>(y) * m_width + x];
}

void CCanvas::Fill(uint32_t color) {
    GdiFlush();
    for (size_t i = 0; i < static_cast<size_t>(m_width) * m_height; ++i)
        m_bits[i] = color;
}

bool CCanvas::SavePng(const std::wstring& path, Surface surface) const {
    GdiFlush();
    return WritePngFromBgra(path, m_width, m_height, m_bits, surface);
}

CGuardedBytes::CGuardedBytes(const std::string& bytes) : m_size(static_cast<DWORD>(bytes.size())) {
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    const size_t page = info.dwPageSize;
    const size_t dataPages = (bytes.size() + page - 1) / page;
    m_base = VirtualAlloc(nullptr, (dataPages + 1) * page, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    BYTE* guard = static_cast<BYTE*>(m_base) + dataPages * page;
    DWORD old = 0;
    VirtualProtect(guard, page, PAGE_NOACCESS, &old);
    m_data = guard - bytes.size();
    memcpy(m_data, bytes.data(), bytes.size());
}

CGuardedBytes::~CGuardedBytes() {
    VirtualFree(m_base, 0, MEM_RELEASE);
}

std::vector<uint8_t> SolidRgba(int width, int height, uint32_t argb) {
    std::vector<uint8_t> rgba(static_cast<size_t>(width) * height * 4);
    for (size_t i = 0; i < static_cast<size_t>(width) * height; ++i) {
        rgba[i * 4 + 0] = static_cast<uint8_t>(argb >> 16);
        rgba[i * 4 + 1] = static_cast<uint8_t>(argb >> 8);
        rgba[i * 4 + 2] = static_cast<uint8_t>(argb);
        rgba[i * 4 + 3] = static_cast<uint8_t>(argb >> 24);
    }
    return rgba;
}

int ColorDistance(uint32_t a, uint32_t b) {
    int worst = 0;
    for (int shift = 0; shift < 32; shift += 8)
        worst = std::max(
            worst, std::abs(static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF)));
    return worst;
}

}  // namespace SkinTest

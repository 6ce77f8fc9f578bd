// Builders of small images for the picture tests (see PictureSamples.h).
#include "PictureSamples.h"

#include <algorithm>
#include <array>

namespace pictest {

void Put16(Bytes& b, std::uint32_t v) {
    b += static_cast<char>(v & 0xFF);
    b += static_cast<char>((v >> 8) & 0xFF);
}

void Put32(Bytes& b, std::uint32_t v) {
    Put16(b, v & 0xFFFF);
    Put16(b, v >> 16);
}

void Set16(Bytes& b, std::size_t at, std::uint32_t v) {
    b.at(at) = static_cast<char>(v & 0xFF);
    b.at(at + 1) = static_cast<char>((v >> 8) & 0xFF);
}

void Set32(Bytes& b, std::size_t at, std::uint32_t v) {
    Set16(b, at, v & 0xFFFF);
    Set16(b, at + 2, v >> 16);
}

std::uint32_t Get32(const Bytes& b, std::size_t at) {
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i)
        v = (v << 8) | static_cast<std::uint8_t>(b.at(at + static_cast<std::size_t>(i)));
    return v;
}

namespace {

void PutBE32(Bytes& b, std::uint32_t v) {
    for (int i = 3; i >= 0; --i)
        b += static_cast<char>((v >> (8 * i)) & 0xFF);
}

std::uint32_t Crc(const Bytes& data) {
    std::uint32_t c = 0xFFFFFFFFu;
    for (unsigned char ch : data) {
        c ^= ch;
        for (int k = 0; k < 8; ++k)
            c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    }
    return c ^ 0xFFFFFFFFu;
}

void PngChunk(Bytes& png, const char* type, const Bytes& data) {
    PutBE32(png, static_cast<std::uint32_t>(data.size()));
    const Bytes typed = Bytes(type, 4) + data;
    png += typed;
    PutBE32(png, Crc(typed));
}

} // namespace

Bytes PadRows(const std::vector<Bytes>& rows) {
    Bytes out;
    for (const Bytes& r : rows) {
        out += r;
        out.append((4 - r.size() % 4) % 4, '\0');
    }
    return out;
}

Bytes MakeBmp(const BmpFields& s) {
    const bool core = s.HeaderSize == 12;
    const bool bitfields = s.Compression == 3;
    const std::size_t masksAfter = bitfields && s.HeaderSize == 40 ? 12 : 0;
    const std::size_t palette = s.Palette.size() * (core ? 3 : 4);
    const std::size_t offset = 14 + s.HeaderSize + masksAfter + palette + s.Gap;

    Bytes b = "BM";
    Put32(b, static_cast<std::uint32_t>(offset + s.Pixels.size()));
    Put32(b, 0);
    Put32(b, static_cast<std::uint32_t>(offset));
    Put32(b, s.HeaderSize);
    if (core) {
        Put16(b, static_cast<std::uint32_t>(s.Width));
        Put16(b, static_cast<std::uint32_t>(s.Height));
        Put16(b, 1);
        Put16(b, s.Bits);
    } else {
        Put32(b, static_cast<std::uint32_t>(s.Width));
        Put32(b, static_cast<std::uint32_t>(s.Height));
        Put16(b, 1);
        Put16(b, s.Bits);
        Put32(b, s.Compression);
        Put32(b, static_cast<std::uint32_t>(s.Pixels.size()));
        Put32(b, 2835);
        Put32(b, 2835);
        Put32(b, s.WriteColorsUsed ? static_cast<std::uint32_t>(s.Palette.size()) : 0);
        Put32(b, 0);
        std::array<std::uint32_t, 4> masks{};
        for (std::size_t i = 0; i < s.Masks.size() && i < 4; ++i)
            masks[i] = s.Masks[i];
        if (s.HeaderSize >= 52)
            for (int i = 0; i < 3; ++i)
                Put32(b, masks[static_cast<std::size_t>(i)]);
        if (s.HeaderSize >= 56) Put32(b, masks[3]);
        if (s.HeaderSize >= 108) {
            Put32(b, 0x73524742); // 'sRGB'
            b.append(36 + 12, '\0');
        }
        if (s.HeaderSize >= 124) b.append(16, '\0');
        if (masksAfter)
            for (int i = 0; i < 3; ++i)
                Put32(b, masks[static_cast<std::size_t>(i)]);
    }
    for (std::uint32_t c : s.Palette) {
        b += static_cast<char>(c & 0xFF);
        b += static_cast<char>((c >> 8) & 0xFF);
        b += static_cast<char>((c >> 16) & 0xFF);
        if (!core) b += '\0';
    }
    b.append(s.Gap, '\0');
    b += s.Pixels;
    return b;
}

Bytes MakeIconDib(int width, int height, int bits, std::uint8_t fill) {
    Bytes b;
    Put32(b, 40);
    Put32(b, static_cast<std::uint32_t>(width));
    Put32(b, static_cast<std::uint32_t>(height * 2));
    Put16(b, 1);
    Put16(b, static_cast<std::uint32_t>(bits));
    Put32(b, 0);
    const std::size_t stride =
        ((static_cast<std::size_t>(width) * static_cast<std::size_t>(bits) + 31) / 32) * 4;
    const std::size_t maskStride = ((static_cast<std::size_t>(width) + 31) / 32) * 4;
    Put32(b, static_cast<std::uint32_t>((stride + maskStride) * static_cast<std::size_t>(height)));
    Put32(b, 0);
    Put32(b, 0);
    Put32(b, 0);
    Put32(b, 0);
    if (bits <= 8)
        for (int i = 0; i < (1 << bits); ++i)
            Put32(b, static_cast<std::uint32_t>(i * 0x010101));
    b.append(stride * static_cast<std::size_t>(height), static_cast<char>(fill));
    b.append(maskStride * static_cast<std::size_t>(height), '\0');
    return b;
}

Bytes MakePng(int width, int height) {
    Bytes png("\x89PNG\r\n\x1a\n", 8);
    Bytes ihdr;
    PutBE32(ihdr, static_cast<std::uint32_t>(width));
    PutBE32(ihdr, static_cast<std::uint32_t>(height));
    ihdr += Bytes("\x08\x06\x00\x00\x00", 5);
    PngChunk(png, "IHDR", ihdr);

    Bytes raw;
    for (int y = 0; y < height; ++y) {
        raw += '\0'; // filter: none
        for (int x = 0; x < width; ++x)
            raw += Bytes{static_cast<char>(x * 40), static_cast<char>(y * 40), '\x80', '\xff'};
    }
    Bytes z("\x78\x01", 2);
    std::size_t at = 0;
    do {
        const std::size_t n = std::min<std::size_t>(raw.size() - at, 65535);
        z += static_cast<char>(at + n == raw.size() ? 1 : 0);
        Put16(z, static_cast<std::uint32_t>(n));
        Put16(z, static_cast<std::uint32_t>(~n & 0xFFFF));
        z += raw.substr(at, n);
        at += n;
    } while (at < raw.size());
    std::uint32_t a = 1, bsum = 0;
    for (unsigned char c : raw) {
        a = (a + c) % 65521;
        bsum = (bsum + a) % 65521;
    }
    PutBE32(z, (bsum << 16) | a);
    PngChunk(png, "IDAT", z);
    PngChunk(png, "IEND", "");
    return png;
}

Bytes MakeIco(const std::vector<IconImage>& images) {
    Bytes b;
    Put16(b, 0);
    Put16(b, 1);
    Put16(b, static_cast<std::uint32_t>(images.size()));
    std::size_t offset = 6 + 16 * images.size();
    for (const IconImage& img : images) {
        b += static_cast<char>(img.EntryWidth & 0xFF);
        b += static_cast<char>(img.EntryHeight & 0xFF);
        b += '\0';
        b += '\0';
        Put16(b, 1);
        Put16(b, 32);
        Put32(b, static_cast<std::uint32_t>(img.Data.size()));
        Put32(b, static_cast<std::uint32_t>(offset));
        offset += img.Data.size();
    }
    for (const IconImage& img : images)
        b += img.Data;
    return b;
}

Bytes EmfRecord(std::uint32_t type, const Bytes& params) {
    Bytes r;
    Put32(r, type);
    Put32(r, static_cast<std::uint32_t>(8 + params.size()));
    return r + params;
}

Bytes MakeEmf(std::int32_t frameLeft, std::int32_t frameTop, std::int32_t frameRight,
              std::int32_t frameBottom, const std::vector<Bytes>& records) {
    Bytes h;
    Put32(h, 1);   // EMR_HEADER
    Put32(h, 108); // record size
    for (std::int32_t v : {0, 0, 99, 99})
        Put32(h, static_cast<std::uint32_t>(v)); // bounds
    for (std::int32_t v : {frameLeft, frameTop, frameRight, frameBottom})
        Put32(h, static_cast<std::uint32_t>(v));
    Put32(h, 0x464D4520); // " EMF"
    Put32(h, 0x10000);    // version
    Put32(h, 0);          // bytes (set below)
    Put32(h, 0);          // records (set below)
    Put16(h, 1);          // handles
    Put16(h, 0);
    Put32(h, 0); // description
    Put32(h, 0);
    Put32(h, 0); // palette entries
    Put32(h, 1024);
    Put32(h, 768);
    Put32(h, 320);
    Put32(h, 240);
    Put32(h, 0);
    Put32(h, 0);
    Put32(h, 0);
    Put32(h, 320000);
    Put32(h, 240000);
    Bytes eof;
    Put32(eof, 0);
    Put32(eof, 16);
    Put32(eof, 20);
    Bytes all = h;
    for (const Bytes& r : records)
        all += r;
    all += EmfRecord(14, eof);
    Set32(all, 48, static_cast<std::uint32_t>(all.size()));
    Set32(all, 52, static_cast<std::uint32_t>(records.size() + 2));
    return all;
}

Bytes MakeWmf(std::int16_t extentX, std::int16_t extentY, std::uint16_t inch, std::int16_t boxRight,
              std::int16_t boxBottom) {
    Bytes records;
    if (extentX != 0 || extentY != 0) {
        Put32(records, 5);
        Put16(records, 0x020C);
        Put16(records, static_cast<std::uint16_t>(extentY));
        Put16(records, static_cast<std::uint16_t>(extentX));
    }
    Put32(records, 3);
    Put16(records, 0);
    Bytes m;
    Put16(m, 1);
    Put16(m, 9);
    Put16(m, 0x0300);
    Put32(m, static_cast<std::uint32_t>((18 + records.size()) / 2));
    Put16(m, 0);
    Put32(m, 5);
    Put16(m, 0);
    m += records;
    if (inch == 0) return m;
    Bytes p;
    Put32(p, 0x9AC6CDD7);
    Put16(p, 0);
    Put16(p, 0);
    Put16(p, 0);
    Put16(p, static_cast<std::uint16_t>(boxRight));
    Put16(p, static_cast<std::uint16_t>(boxBottom));
    Put16(p, inch);
    Put32(p, 0);
    std::uint32_t sum = 0;
    for (std::size_t i = 0; i < 20; i += 2)
        sum ^= static_cast<std::uint8_t>(p[i]) | (static_cast<std::uint8_t>(p[i + 1]) << 8);
    Put16(p, sum);
    return p + m;
}

} // namespace pictest

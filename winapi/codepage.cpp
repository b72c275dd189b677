// Windows-1252 <-> UTF-8 for the texts that cross into SDL and X11.
#include <cstdint>

#include "sdl_internal.h"

namespace {

// 0x80..0x9F differ from Latin-1; 0 marks the five unassigned codes.
const uint16_t high1252[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

uint32_t codePointOf(unsigned char c) {
    if (c >= 0x80 && c < 0xA0) {
        return high1252[c - 0x80] != 0 ? high1252[c - 0x80] : 0xFFFD;
    }
    return c;
}

void appendUtf8(std::string& out, uint32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

char ansiOf(uint32_t cp) {
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) {
        return static_cast<char>(cp);
    }
    for (int i = 0; i < 32; ++i) {
        if (high1252[i] == cp) {
            return static_cast<char>(0x80 + i);
        }
    }
    return '?';
}

}  // namespace

std::string utf8FromAnsi(const char* text) {
    std::string out;
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); p && *p; ++p) {
        appendUtf8(out, codePointOf(*p));
    }
    return out;
}

std::string ansiFromUtf8(const char* text) {
    std::string out;
    const unsigned char* p = reinterpret_cast<const unsigned char*>(text);
    while (p && *p) {
        uint32_t cp = *p;
        int more = 0;
        if (cp >= 0xF0) {
            cp &= 0x07;
            more = 3;
        } else if (cp >= 0xE0) {
            cp &= 0x0F;
            more = 2;
        } else if (cp >= 0xC0) {
            cp &= 0x1F;
            more = 1;
        }
        ++p;
        for (; more > 0 && (*p & 0xC0) == 0x80; --more, ++p) {
            cp = (cp << 6) | (*p & 0x3F);
        }
        out += ansiOf(cp);
    }
    return out;
}

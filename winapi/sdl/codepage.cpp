// Windows-1252, UTF-16 and UTF-8 for the texts that cross into SDL and X11.
#include "sdl_internal.h"

namespace {

const char* const utf16 = SDL_BYTEORDER == SDL_LIL_ENDIAN ? "UTF-16LE" : "UTF-16BE";

// `bytes` counts the terminating zero, which the conversion keeps.
std::string convert(const char* text, size_t bytes, const char* to, const char* from) {
    if (text == nullptr) {
        return std::string();
    }
    char* converted = SDL_iconv_string(to, from, text, bytes);
    const std::string out = converted ? converted : "";
    SDL_free(converted);
    return out;
}

}  // namespace

std::string utf8FromAnsi(const char* text) {
    return convert(text, text ? SDL_strlen(text) + 1 : 0, "UTF-8", "WINDOWS-1252");
}

std::string ansiFromUtf8(const char* text) {
    return convert(text, text ? SDL_strlen(text) + 1 : 0, "WINDOWS-1252", "UTF-8");
}

std::string utf8FromWide(LPCWSTR text) {
    size_t count = 0;
    while (text != nullptr && text[count] != 0) {
        ++count;
    }
    return convert(reinterpret_cast<const char*>(text), sizeof(WCHAR) * (count + 1), "UTF-8",
                   utf16);
}

int MultiByteToWideChar(UINT codePage, DWORD, LPCSTR text, int bytes, LPWSTR wide,
                        int wideCount) {
    if (codePage != 1252 || text == nullptr || bytes != -1) {
        return 0;
    }
    // Windows-1252 has one UTF-16 unit for each of its characters, the zero included.
    const int needed = static_cast<int>(SDL_strlen(text) + 1);
    if (wideCount == 0) {
        return needed;
    }
    if (wide == nullptr || wideCount < needed) {
        return 0;
    }
    char* converted = SDL_iconv_string(utf16, "WINDOWS-1252", text, static_cast<size_t>(needed));
    if (converted == nullptr) {
        return 0;
    }
    SDL_memcpy(wide, converted, sizeof(WCHAR) * static_cast<size_t>(needed));
    SDL_free(converted);
    return needed;
}

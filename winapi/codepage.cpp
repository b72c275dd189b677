// Windows-1252 <-> UTF-8 for the texts that cross into SDL and X11.
#include "sdl_internal.h"

namespace {

std::string convert(const char* text, const char* to, const char* from) {
    if (text == nullptr) {
        return std::string();
    }
    char* converted = SDL_iconv_string(to, from, text, SDL_strlen(text) + 1);
    const std::string out = converted ? converted : "";
    SDL_free(converted);
    return out;
}

}  // namespace

std::string utf8FromAnsi(const char* text) { return convert(text, "UTF-8", "WINDOWS-1252"); }

std::string ansiFromUtf8(const char* text) { return convert(text, "WINDOWS-1252", "UTF-8"); }

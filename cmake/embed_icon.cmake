# Turns the icon's bitmap file into the icon resource table the Linux build links, as
# the resource compiler puts the .ico into the Windows program.
file(READ "${ICON_FILE}" bytes HEX)
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${bytes}")
file(WRITE "${OUTPUT}"
"#include \"sdl/resources.h\"\n"
"static const unsigned char icon${ICON_ID}[] = {${bytes}};\n"
"const StandInIconResource standInIconResources[] = {{${ICON_ID}, icon${ICON_ID}, sizeof icon${ICON_ID}}};\n"
"const size_t standInIconResourceCount = 1;\n")

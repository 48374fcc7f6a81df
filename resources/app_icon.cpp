// The program's icon, 32 by 32: a slot machine with three reels (cherries, a seven, a bar) on
// the pay line, a lit sign on top, a coin tray and a pull lever. XPM keeps it readable and
// editable as text.

#include "resources/resources.h"

namespace res {
namespace {

// clang-format off
constexpr const char* XPM[] = {
    "32 32 11 1",
    ". c None",
    "k c #000000",
    "r c #C00000",
    "R c #FF0000",
    "y c #FFFF00",
    "o c #FF8000",
    "w c #FFFFFF",
    "g c #008000",
    "b c #0000FF",
    "s c #C0C0C0",
    "d c #800000",
    "................................",
    "....kkkkkkkkkkkkkkkkkkkk........",
    "....kyyyyyyyyyyyyyyyyyyk........",
    "....kyoyyoyyoyyoyyoyyoyk........",
    "....kyoyyoyyoyyoyyoyyoyk...RR...",
    "....kyyyyyyyyyyyyyyyyyyk..RwRR..",
    "..kkkkkkkkkkkkkkkkkkkkkkkkRRRR..",
    "..krrrrrrrrrrrrrrrrrrrrrdk.RR...",
    "..krrrrrrrrrrrrrrrrrrrrrdk.ss...",
    "..krkkkkkkkkkkkkkkkkkkkkdk.ss...",
    "..krkwwwwwkwwwwwkwwwwwkkdk.ss...",
    "..krkwwgwwkwbbbbkwwwwwkkdk.ss...",
    "..krkwwggwkwwwwbkwwwwwkkdk.ss...",
    "..krkwgwwgkwwwbwkkkkkkkkdk.ss...",
    "..kryRRwRRkwwwbwkkyyykyydk.ss...",
    "..krkRRwRRkwwbwwkkkkkkkkdk.ss...",
    "..krkwwwwwkwwbwwkwwwwwkkdk.ss...",
    "..krkwwwwwkwwwwwkwwwwwkkdk.ss...",
    "..krkwwwwwkwwwwwkwwwwwkkdk.ss...",
    "..krkkkkkkkkkkkkkkkkkkkkdk.ss...",
    "..krrrrrrrrrrrrrrrrrrrrrdk.ss...",
    "..krrryyrrryyrrryyrrryyrdksss...",
    "..krrrrrrrrrrrrrrrrrrrrrdssss...",
    "..krrrrrrrrrrrrrrrrrrrrrdssss...",
    "..krrrkkkkkkkkkkkkkkkkrrdk......",
    "..krrrksssssssssssssskrrdk......",
    "..krrrksssssssssssssskrrdk......",
    "..krrrkkkkkkkkkkkkkkkkrrdk......",
    "..krrrrrrrrrrrrrrrrrrrrrdk......",
    "..kkkkkkkkkkkkkkkkkkkkkkkk......",
    "................................",
    "................................"
};
// clang-format on

} // namespace

const win::IconResource AppIcon{"AppIcon", XPM};

} // namespace res

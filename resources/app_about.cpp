// The about box: the program's name above its icon, and an OK button that alone closes it.

#include "resources/resources.h"

#include "platform/win/win_types.h"

namespace res {
namespace {

using win::ControlKind;

constexpr win::DialogControlResource CONTROLS[] = {
    {ControlKind::DefaultButton, "OK", win::IDOK, 76, 75, 35, 14},
    {ControlKind::CenteredText, "Kestrel 3D Simulator", -1, 61, 5, 65, 15},
    {ControlKind::Icon, "AppIcon", -1, 86, 25, 18, 20},
};

} // namespace

const win::DialogResource AppAbout{"AppAbout", "", 0, 0, 188, 96, "MS Sans Serif", 8, CONTROLS};

} // namespace res

#pragma once
// The program's own resources, found by the names the program loads them by: the menu
// "AppMenu", the accelerators "AppAccel", the about box "AppAbout" and the icon "AppIcon".

#include "platform/win/resource_types.h"

#include <string_view>

namespace res {

extern const win::MenuResource AppMenu;
extern const win::AcceleratorResource AppAccel;
extern const win::DialogResource AppAbout;
extern const win::IconResource AppIcon;

// Null when no resource of that kind has the name.
const win::MenuResource* FindMenu(std::string_view name);
const win::AcceleratorResource* FindAccelerators(std::string_view name);
const win::DialogResource* FindDialog(std::string_view name);
const win::IconResource* FindIcon(std::string_view name);

} // namespace res

#pragma once
// The program's own resources, named as the program loads them: the menu "AppMenu", the
// accelerators "AppAccel", the about box "AppAbout" and the icon "AppIcon". The program hands
// AppResources() to the window layer at start-up.

#include "platform/win/resource_types.h"

namespace res {

extern const win::MenuResource AppMenu;
extern const win::AcceleratorResource AppAccel;
extern const win::DialogResource AppAbout;
extern const win::IconResource AppIcon;

const win::ResourceSet& AppResources();

} // namespace res

#pragma once
// Shapes of the program's resources (menus, accelerator tables, dialog templates, icons) as
// constant tables. The program owns the data and hands the window layer a ResourceSet; the
// window layer loads from it by name.

#include <cstdint>
#include <span>

namespace win {

// One item of a popup; a null text marks a separator.
struct MenuItemResource {
    const char* text;
    int command;
};

struct MenuPopupResource {
    const char* text;
    std::span<const MenuItemResource> items;
};

struct MenuResource {
    const char* name;
    std::span<const MenuPopupResource> popups;
};

// A virtual-key entry (FVIRTKEY set) matches a key press with exactly the FSHIFT, FCONTROL and
// FALT modifiers given; a character entry matches a typed character code.
struct AcceleratorEntry {
    uint8_t flags;
    uint16_t key;
    uint16_t command;
};

struct AcceleratorResource {
    const char* name;
    std::span<const AcceleratorEntry> entries;
};

enum class ControlKind { DefaultButton, Button, CenteredText, Text, Icon };

// Positions and sizes in dialog units: a quarter of the dialog font's average character width
// across, an eighth of its height down.
struct DialogControlResource {
    ControlKind kind;
    const char* text; // caption, or the icon's resource name
    int id;
    int x, y, width, height;
};

struct DialogResource {
    const char* name;
    const char* title;
    int x, y, width, height;
    const char* fontName;
    int fontPoints;
    std::span<const DialogControlResource> controls;
};

// An icon in XPM form: the header line, the colour lines, then one line per row.
struct IconResource {
    const char* name;
    std::span<const char* const> xpm;
};

// Everything the window layer may load by name. The tables are the program's and must outlive
// their use; the set only points at them.
struct ResourceSet {
    std::span<const MenuResource* const> menus;
    std::span<const AcceleratorResource* const> accelerators;
    std::span<const DialogResource* const> dialogs;
    std::span<const IconResource* const> icons;
};

} // namespace win

#pragma once
// Menus as the window system keeps them: a menu bar of popups, items found by command id or by
// position, with check marks and greyed states that only the program sets. The window that
// shows a menu is told of every change through the observer of the menu bar.

#include "platform/win/resource_types.h"
#include "platform/win/win_types.h"

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace win {

struct MenuItem {
    std::string text; // empty for a separator; "\t" sets off the key name
    int command = 0;
    bool separator = false;
    bool checked = false;
    bool grayed = false;
    std::unique_ptr<Menu> popup;
};

class Menu {
public:
    // The menu bar described by a menu resource: one popup per resource popup.
    static std::unique_ptr<Menu> FromResource(const MenuResource& resource);

    int GetMenuItemCount() const { return static_cast<int>(items_.size()); }
    // Null when position is outside the menu.
    const MenuItem* ItemAt(int position) const;
    // The popup at position, null when there is none.
    Menu* GetSubMenu(int position) const;

    // MF_BYCOMMAND: searches this menu and its popups. Returns the previous state (MF_CHECKED
    // or MF_UNCHECKED; MF_ENABLED, MF_GRAYED or MF_DISABLED) or -1 when no item has the id.
    int CheckMenuItem(int command, unsigned flags);
    int EnableMenuItem(int command, unsigned flags);

    // MF_BYPOSITION: inserts before position; a position past the end appends. MF_SEPARATOR
    // inserts a separator, otherwise a text item with the command.
    bool InsertMenu(int position, unsigned flags, int command, const std::string& text);

    // The item with the command in this menu or its popups, and the menu holding it.
    MenuItem* FindCommand(int command, Menu** holder = nullptr);

    // Called with the menu whose items changed (text, marks, insertions).
    void SetObserver(std::function<void(Menu&)> observer) { observer_ = std::move(observer); }

private:
    void Changed();

    std::vector<MenuItem> items_;
    Menu* parent_ = nullptr;
    std::function<void(Menu&)> observer_;
};

} // namespace win

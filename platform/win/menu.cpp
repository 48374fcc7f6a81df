#include "platform/win/menu.h"

namespace win {

std::unique_ptr<Menu> Menu::FromResource(const MenuResource& resource) {
    auto bar = std::make_unique<Menu>();
    for (const MenuPopupResource& popupResource : resource.popups) {
        auto popup = std::make_unique<Menu>();
        popup->parent_ = bar.get();
        for (const MenuItemResource& item : popupResource.items) {
            MenuItem entry;
            entry.separator = item.text == nullptr;
            entry.text = item.text ? item.text : "";
            entry.command = item.command;
            popup->items_.push_back(std::move(entry));
        }
        MenuItem title;
        title.text = popupResource.text;
        title.popup = std::move(popup);
        bar->items_.push_back(std::move(title));
    }
    return bar;
}

const MenuItem* Menu::ItemAt(int position) const {
    if (position < 0 || position >= GetMenuItemCount())
        return nullptr;
    return &items_[static_cast<size_t>(position)];
}

Menu* Menu::GetSubMenu(int position) const {
    const MenuItem* item = ItemAt(position);
    return item ? item->popup.get() : nullptr;
}

MenuItem* Menu::FindCommand(int command, Menu** holder) {
    for (MenuItem& item : items_) {
        if (item.popup) {
            if (MenuItem* found = item.popup->FindCommand(command, holder))
                return found;
        } else if (!item.separator && item.command == command) {
            if (holder)
                *holder = this;
            return &item;
        }
    }
    return nullptr;
}

int Menu::CheckMenuItem(int command, unsigned flags) {
    Menu* holder = nullptr;
    MenuItem* item = (flags & MF_BYPOSITION) ? nullptr : FindCommand(command, &holder);
    if (!item)
        return -1;
    const int previous = item->checked ? MF_CHECKED : MF_UNCHECKED;
    const bool checked = (flags & MF_CHECKED) != 0;
    if (item->checked != checked) {
        item->checked = checked;
        holder->Changed();
    }
    return previous;
}

int Menu::EnableMenuItem(int command, unsigned flags) {
    Menu* holder = nullptr;
    MenuItem* item = (flags & MF_BYPOSITION) ? nullptr : FindCommand(command, &holder);
    if (!item)
        return -1;
    const int previous = item->grayed ? MF_GRAYED : MF_ENABLED;
    const bool grayed = (flags & (MF_GRAYED | MF_DISABLED)) != 0;
    if (item->grayed != grayed) {
        item->grayed = grayed;
        holder->Changed();
    }
    return previous;
}

bool Menu::InsertMenu(int position, unsigned flags, int command, const std::string& text) {
    if (!(flags & MF_BYPOSITION) || position < 0)
        return false;
    MenuItem item;
    item.separator = (flags & MF_SEPARATOR) != 0;
    item.text = item.separator ? "" : text;
    item.command = command;
    const size_t at = std::min(static_cast<size_t>(position), items_.size());
    items_.insert(items_.begin() + static_cast<std::ptrdiff_t>(at), std::move(item));
    Changed();
    return true;
}

void Menu::Changed() {
    Menu* root = this;
    while (root->parent_)
        root = root->parent_;
    if (root->observer_)
        root->observer_(*this);
}

} // namespace win

#include "platform/win/window.h"

#include <algorithm>

namespace win {

Window::Window(WindowProc proc, std::string title, std::unique_ptr<Menu> menu)
    : proc_(proc), title_(std::move(title)), menu_(std::move(menu)) {
    if (menu_)
        menu_->SetObserver([this](Menu& changed) { MenuChanged(changed); });
}

Window::~Window() = default;

int Window::SendMessage(Message message) {
    if (destroyed_ || proc_ == nullptr)
        return 0;
    message.window = this;
    return proc_(this, message);
}

void Window::SetWindowText(const std::string& text) {
    title_ = text;
    TitleChanged();
}

Window::ScrollBar* Window::Bar(int bar) {
    return bar == SB_HORZ || bar == SB_VERT ? &bars_[bar] : nullptr;
}

const Window::ScrollBar* Window::Bar(int bar) const {
    return bar == SB_HORZ || bar == SB_VERT ? &bars_[bar] : nullptr;
}

bool Window::SetScrollRange(int bar, int min, int max, bool /*redraw*/) {
    ScrollBar* scroll = Bar(bar);
    if (!scroll || min > max)
        return false;
    scroll->min = min;
    scroll->max = max;
    scroll->position = std::clamp(scroll->position, min, max);
    ScrollBarChanged(bar);
    return true;
}

bool Window::GetScrollRange(int bar, int* min, int* max) const {
    const ScrollBar* scroll = Bar(bar);
    if (!scroll || !min || !max)
        return false;
    *min = scroll->min;
    *max = scroll->max;
    return true;
}

int Window::SetScrollPos(int bar, int position, bool /*redraw*/) {
    ScrollBar* scroll = Bar(bar);
    if (!scroll)
        return 0;
    const int previous = scroll->position;
    scroll->position = std::clamp(position, scroll->min, scroll->max);
    ScrollBarChanged(bar);
    return previous;
}

int Window::GetScrollPos(int bar) const {
    const ScrollBar* scroll = Bar(bar);
    return scroll ? scroll->position : 0;
}

bool Window::IsScrollBarShown(int bar) const {
    const ScrollBar* scroll = Bar(bar);
    return scroll && scroll->min < scroll->max;
}

void Window::ShowWindow(int showCommand) {
    visible_ = showCommand != SW_HIDE && !destroyed_;
    if (visible_)
        invalid_ = true;
}

void Window::UpdateWindow() {
    if (visible_ && invalid_)
        PaintClient();
}

void Window::DestroyWindow() {
    if (destroyed_ || destroying_)
        return;
    destroying_ = true;
    SendMessage(Message{.kind = Kind::Destroy});
    destroyed_ = true;
    visible_ = false;
}

void Window::SetClientImage(const base::Picture& picture) {
    picture_ = picture;
    invalid_ = true;
}

const base::Image& Window::ClientImage() const {
    static const base::Image none;
    return picture_ ? *picture_ : none;
}

void Window::SetClientSize(int width, int height) {
    clientWidth_ = std::max(width, 0);
    clientHeight_ = std::max(height, 0);
}

void Window::ClientResized(int width, int height, int sizeType) {
    minimized_ = sizeType == SIZE_MINIMIZED;
    SetClientSize(minimized_ ? 0 : width, minimized_ ? 0 : height);
    invalid_ = true;
    SendMessage(Message{
        .kind = Kind::Size, .width = clientWidth_, .height = clientHeight_, .sizeType = sizeType});
}

void Window::PaintClient() {
    painting_ = true;
    SendMessage(Message{.kind = Kind::Paint});
    painting_ = false;
    invalid_ = false;
}

int DefWindowProc(Window* window, const Message& message) {
    if (window && message.kind == Kind::Close)
        window->DestroyWindow();
    return 0;
}

} // namespace win

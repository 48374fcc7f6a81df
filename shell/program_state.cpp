#include "shell/program_state.h"

#include <QImage>
#include <algorithm>
#include <nlohmann/json.hpp>

#include "engine/slot_machine.h"
#include "platform/win/platform.h"
#include "scene/world.h"
#include "shell/app.h"
#include "shell/render.h"
#include "shell/shared_flags.h"
#include "shell/window_proc.h"
#include "tools/slotsim/machine_json.h"

namespace {

nlohmann::ordered_json Nullable(bool present, int value) {
    return present ? nlohmann::ordered_json(value) : nlohmann::ordered_json(nullptr);
}

nlohmann::ordered_json MenuState(win::Window* window) {
    nlohmann::ordered_json items = nlohmann::ordered_json::object();
    win::Menu* bar = window ? window->GetMenu() : nullptr;
    for (int p = 0; bar && p < bar->GetMenuItemCount(); ++p) {
        win::Menu* popup = bar->GetSubMenu(p);
        if (!popup)
            continue;
        window->SendMessage(win::Message{.kind = win::Kind::InitMenuPopup, .menu = popup});
        for (int i = 0; i < popup->GetMenuItemCount(); ++i) {
            const win::MenuItem* item = popup->ItemAt(i);
            if (!item || item->separator || item->command == 0)
                continue;
            items[std::to_string(item->command)] = {
                {"text", item->text}, {"checked", item->checked}, {"enabled", !item->grayed}};
        }
    }
    return items;
}

nlohmann::ordered_json CameraPosition() {
    D3DVECTOR at{};
    if (!CameraFrame || !SceneFrame || FAILED(CameraFrame->GetPosition(SceneFrame, &at)))
        return nullptr;
    return {at.x, at.y, at.z};
}

} // namespace

std::string ProgramStateJson() {
    nlohmann::ordered_json state;
    const RecordingMessageSink noMessages;
    state["Machine"] = Machine ? MachineToJson(*Machine, noMessages) : nullptr;
    state["Busy"] = Busy;
    state["DisplayFlags"] = DisplayFlags;
    state["Title"] = MainWindow ? MainWindow->GetWindowText() : "";
    state["ClientWidth"] = MainWindow ? MainWindow->ClientWidth() : 0;
    state["ClientHeight"] = MainWindow ? MainWindow->ClientHeight() : 0;
    state["ViewportWidth"] = Nullable(Viewport, Viewport ? int(Viewport->GetWidth()) : 0);
    state["ViewportHeight"] = Nullable(Viewport, Viewport ? int(Viewport->GetHeight()) : 0);
    state["Camera"] = CameraPosition();
    state["PanX"] = PanX;
    state["PanY"] = PanY;
    state["Zoom"] = Zoom;
    state["ScrollH"] = MainWindow ? MainWindow->GetScrollPos(win::SB_HORZ) : 0;
    state["ScrollV"] = MainWindow ? MainWindow->GetScrollPos(win::SB_VERT) : 0;
    state["RenderQuality"] = RenderQuality;
    state["TextureQuality"] = TextureQuality;
    state["Dithering"] = Dithering;
    state["AntiAliasing"] = AntiAliasing;
    state["ShowFPS"] = ShowFPS;
    state["SingleStep"] = SingleStep;
    state["Running"] = Running;
    state["FrameCount"] = Status.frameCount;
    state["Tick"] = win::GetTickCount();
    nlohmann::ordered_json drivers = nlohmann::ordered_json::array();
    for (int i = 0; i < DriverCount && i < MAX_DRIVERS; ++i)
        drivers.push_back(DriverName[i]);
    state["Drivers"] = drivers;
    state["CurrentDriver"] = CurrentDriver;
    state["BitsPerPixel"] = BitsPerPixel;
    state["Menu"] = MenuState(MainWindow);
    return JsonText(state);
}

bool SaveClientShot(const std::string& path) {
    if (!MainWindow)
        return false;
    const base::Image& picture = MainWindow->ClientImage();
    const int width = MainWindow->ClientWidth() > 0 ? MainWindow->ClientWidth() : picture.width;
    const int height = MainWindow->ClientHeight() > 0 ? MainWindow->ClientHeight() : picture.height;
    if (width <= 0 || height <= 0)
        return false;
    // The client area shows the picture 1:1 at its top left, on black.
    QImage shot(width, height, QImage::Format_RGB32);
    shot.fill(0xFF000000u);
    for (int y = 0; y < std::min(height, picture.height); ++y)
        for (int x = 0; x < std::min(width, picture.width); ++x)
            shot.setPixel(x, y, 0xFF000000u | picture.At(x, y));
    return shot.save(QString::fromStdString(path), "PNG");
}

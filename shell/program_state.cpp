#include "shell/program_state.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <nlohmann/json.hpp>

#include "engine/machine_json.h"
#include "engine/slot_machine.h"
#include "platform/win/image_file.h"
#include "platform/win/platform.h"
#include "play/play_state.h"
#include "scene/machine_state.h"
#include "scene/scene_objects.h"
#include "scene/shared_flags.h"
#include "scene/world.h"
#include "shell/app.h"
#include "shell/render.h"
#include "shell/window_proc.h"
#include "shell/workbench.h"

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
    if (!D3D.CameraFrame || !D3D.SceneFrame ||
        FAILED(D3D.CameraFrame->GetPosition(D3D.SceneFrame, &at)))
        return nullptr;
    return {at.x, at.y, at.z};
}

// The frame at or under `frame` that shows `visual`; null when none does.
IDirect3DRMFrame* FrameShowing(IDirect3DRMFrame* frame, const IDirect3DRMVisual* visual) {
    if (frame == nullptr)
        return nullptr;
    const auto& visuals = frame->Visuals();
    if (std::find(visuals.begin(), visuals.end(), visual) != visuals.end())
        return frame;
    for (IDirect3DRMFrame* child : frame->Children())
        if (IDirect3DRMFrame* found = FrameShowing(child, visual))
            return found;
    return nullptr;
}

// The client pixels [left, top, right, bottom) that the mesh covers on the screen, rounded
// outward and cut to the client area; null when it is off screen, not in the scene, or has
// a corner behind the camera (no rectangle would be honest then).
nlohmann::ordered_json ScreenRect(const IDirect3DRMMeshBuilder* mesh) {
    IDirect3DRMFrame* frame = FrameShowing(MachineScene.MachineFrame, mesh);
    if (frame == nullptr || D3D.Viewport == nullptr || Shell.MainWindow == nullptr)
        return nullptr;
    const rm::Matrix world = frame->WorldTransform();
    float left = std::numeric_limits<float>::max(), top = left;
    float right = std::numeric_limits<float>::lowest(), bottom = right;
    for (const rm::Vec3& corner : mesh->Vertices()) {
        const rm::Vec3 at = rm::TransformPoint(corner, world);
        D3DVECTOR in{at.x, at.y, at.z};
        D3DRMVECTOR4D out{};
        if (D3D.Viewport->Transform(&out, &in) != D3DRM_OK)
            return nullptr;
        left = std::min(left, out.x / out.w);
        right = std::max(right, out.x / out.w);
        top = std::min(top, out.y / out.w);
        bottom = std::max(bottom, out.y / out.w);
    }
    const float width = float(Shell.MainWindow->ClientWidth());
    const float height = float(Shell.MainWindow->ClientHeight());
    left = std::max(std::floor(left), 0.0f);
    top = std::max(std::floor(top), 0.0f);
    right = std::min(std::ceil(right), width);
    bottom = std::min(std::ceil(bottom), height);
    if (!(left < right && top < bottom))
        return nullptr;
    return {int(left), int(top), int(right), int(bottom)};
}

nlohmann::ordered_json ButtonsState() {
    nlohmann::ordered_json buttons = nlohmann::ordered_json::array();
    for (const SlotButton& button : MachineScene.SlotButtons) {
        if (button.mesh == nullptr)
            continue;
        buttons.push_back({{"command", button.command},
                           {"state", button.state},
                           {"rect", ScreenRect(button.mesh)}});
    }
    return buttons;
}

nlohmann::ordered_json MeterState() {
    const auto& meter = MachineScene.MeterShown;
    if (!meter.drawn)
        return nullptr;
    return {{"paid", meter.paid}, {"credits", meter.credits}, {"bet", meter.bet}};
}

// Every name the registry holds, loaded or not, in alphabetical order.
nlohmann::ordered_json TextureNames() {
    std::vector<std::string> names;
    if (MachineScene.TextureRegistry != nullptr)
        for (auto* node = MachineScene.TextureRegistry->FirstEntry(); node; node = node->list)
            names.emplace_back(node->key);
    std::sort(names.begin(), names.end());
    return names;
}

// The par sheet window as shown: its status, its newest problem and the headline table, the
// first row the heading; null before the window was first opened.
nlohmann::ordered_json ParSheetState() {
    const win::ReportWindow* window = ParSheetWindow();
    if (window == nullptr)
        return nullptr;
    const win::ReportContent& content = window->Content();
    nlohmann::ordered_json headline = nlohmann::ordered_json::array();
    if (!content.tables.empty()) {
        headline.push_back(content.tables.front().header);
        for (const auto& row : content.tables.front().rows)
            headline.push_back(row);
    }
    return {{"Shown", window->IsShown()},
            {"Status", content.status},
            {"Problem", content.problem},
            {"Headline", headline},
            {"Messages", content.messages}};
}

nlohmann::ordered_json SessionState() {
    const SessionFigures& session = Bench.Session;
    return {{"Spins", session.spins},
            {"CoinsBet", session.coinsBet},
            {"CreditsWon", session.creditsWon},
            {"Hits", session.hits}};
}

} // namespace

std::string ProgramStateJson() {
    nlohmann::ordered_json state;
    const RecordingMessageSink noMessages;
    state["Machine"] = Machine ? MachineToJson(*Machine, noMessages) : nullptr;
    state["Busy"] = Shared.Busy;
    state["SoundState"] = Play.SoundState;
    state["AnimTime"] = Play.AnimTime;
    state["AnimEnd"] = Play.AnimEnd;
    state["Paying"] = Play.Paying;
    state["ChangeAmount"] = Play.ChangeAmount;
    state["DisplayFlags"] = Shared.DisplayFlags;
    state["Title"] = Shell.MainWindow ? Shell.MainWindow->GetWindowText() : "";
    state["ClientWidth"] = Shell.MainWindow ? Shell.MainWindow->ClientWidth() : 0;
    state["ClientHeight"] = Shell.MainWindow ? Shell.MainWindow->ClientHeight() : 0;
    state["ViewportWidth"] =
        Nullable(D3D.Viewport, D3D.Viewport ? int(D3D.Viewport->GetWidth()) : 0);
    state["ViewportHeight"] =
        Nullable(D3D.Viewport, D3D.Viewport ? int(D3D.Viewport->GetHeight()) : 0);
    state["Camera"] = CameraPosition();
    state["PanX"] = World.PanX;
    state["PanY"] = World.PanY;
    state["Zoom"] = World.Zoom;
    state["ScrollH"] = Shell.MainWindow ? Shell.MainWindow->GetScrollPos(win::SB_HORZ) : 0;
    state["ScrollV"] = Shell.MainWindow ? Shell.MainWindow->GetScrollPos(win::SB_VERT) : 0;
    state["RenderQuality"] = Shell.RenderQuality;
    state["TextureQuality"] = Shell.TextureQuality;
    state["Dithering"] = Shell.Dithering;
    state["AntiAliasing"] = Shell.AntiAliasing;
    state["ShowFPS"] = Shell.ShowFPS;
    state["SingleStep"] = Shell.SingleStep;
    state["Running"] = Shell.Running;
    state["FrameCount"] = Shell.Status.frameCount;
    state["Tick"] = win::GetTickCount();
    nlohmann::ordered_json drivers = nlohmann::ordered_json::array();
    for (int i = 0; i < Shell.DriverCount && i < MAX_DRIVERS; ++i)
        drivers.push_back(Shell.DriverName[i]);
    state["Drivers"] = drivers;
    state["CurrentDriver"] = Shell.CurrentDriver;
    state["BitsPerPixel"] = Shell.BitsPerPixel;
    state["Menu"] = MenuState(Shell.MainWindow);
    state["Buttons"] = ButtonsState();
    state["Meter"] = MeterState();
    state["Textures"] = TextureNames();
    state["Watch"] = Bench.Watch ? 1 : 0;
    state["Autoplay"] = Bench.Autoplay ? 1 : 0;
    state["ParSheet"] = ParSheetState();
    state["Session"] = SessionState();
    state["Messages"] = Bench.Messages;
    return JsonText(state);
}

bool SaveClientShot(const std::string& path) {
    if (!Shell.MainWindow)
        return false;
    const win::Window& window = *Shell.MainWindow;
    const base::Image& picture = window.ClientImage();
    const int width = window.ClientWidth() > 0 ? window.ClientWidth() : picture.width;
    const int height = window.ClientHeight() > 0 ? window.ClientHeight() : picture.height;
    if (width <= 0 || height <= 0)
        return false;
    // The client area shows the picture 1:1 at its top left, on black.
    base::Image shot;
    shot.Resize(width, height);
    for (int y = 0; y < std::min(height, picture.height); ++y)
        for (int x = 0; x < std::min(width, picture.width); ++x)
            shot.At(x, y) = picture.At(x, y);
    return win::SavePng(shot, path);
}

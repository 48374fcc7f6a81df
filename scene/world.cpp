#include "scene/world.h"

#include "engine/message_box.h"
#include "engine/random.h"
#include "engine/slot_machine.h"
#include "platform/win/platform.h"
#include "shell/app.h"
#include "shell/shared_flags.h"
#include "shell/window_proc.h"

LPDIRECT3DRMFRAME WorldFrame = nullptr;
CameraPoint CameraBase = {0.0, 0.0, -20.0};
double PanX = 0.0;
double PanY = 0.0;
double Zoom = 0.0;

namespace {

constexpr float ROTATION_PER_FRAME = 0.03f;

bool SeedOverridden = false;
uint32_t SeedOverride = 0;

// A failed world step shows its name; the caller then gives up.
HRESULT StepFailed(const char* step) {
    win::MessageBox(nullptr, step, "Direct 3D Error", win::MB_ICONEXCLAMATION);
    return E_FAIL;
}

// InitWorld's own references to the lights and their frame. The scene holds references of
// its own to whatever was attached, so these are given up however InitWorld ends; nothing
// attached to the scene is taken off again.
struct Lights {
    LPDIRECT3DRMFRAME frame = nullptr;
    LPDIRECT3DRMLIGHT directional = nullptr;
    LPDIRECT3DRMLIGHT ambient = nullptr;

    ~Lights() {
        if (frame)
            frame->Release();
        if (directional)
            directional->Release();
        if (ambient)
            ambient->Release();
    }
};

// The loader's messages to the player: plain boxes without an owner window.
class PlayerMessages : public MessageSink {
public:
    void Show(const char* text, const char* caption) override {
        win::MessageBox(nullptr, text, caption, win::MB_OK);
    }
};

PlayerMessages LoaderMessages;

} // namespace

void SetWorldSeedOverride(bool use, uint32_t seed) {
    SeedOverridden = use;
    SeedOverride = seed;
}

HRESULT BuildWorld(LPDIRECT3DRMDEVICE device) {
    Random::Seed(SeedOverridden ? SeedOverride : win::timeGetTime());
    if (FAILED(device->SetQuality(START_RENDER_QUALITY)))
        return StepFailed("Set Quality");
    if (FAILED(InitWorld(SceneFrame, CameraFrame)))
        return StepFailed("Initialize Scene");
    return 0;
}

HRESULT InitWorld(LPDIRECT3DRMFRAME scene, LPDIRECT3DRMFRAME camera) {
    Lights lights;
    if (FAILED(lpD3DRM->CreateFrame(scene, &lights.frame)))
        return StepFailed("Create light1 frame");
    lights.frame->SetPosition(scene, 0, 0, 0);
    lights.frame->SetOrientation(scene, 0, -1, 1, 0, 0, 1);
    if (FAILED(lpD3DRM->CreateLightRGB(D3DRMLIGHT_DIRECTIONAL, 1.0, 1.0, 1.0, &lights.directional)))
        return StepFailed("Create dir light");
    if (FAILED(lights.frame->AddLight(lights.directional)))
        return StepFailed("Add dir light");
    if (FAILED(lpD3DRM->CreateLightRGB(D3DRMLIGHT_AMBIENT, 0.1, 0.1, 0.1, &lights.ambient)))
        return StepFailed("Create ambient light");
    if (FAILED(scene->AddLight(lights.ambient)))
        return StepFailed("Add ambient light");

    CameraBase = {0.0, 0.0, -20.0};
    if (FAILED(camera->SetPosition(scene, 0, 0, -20)))
        return StepFailed("Set camera pos");
    if (FAILED(camera->SetOrientation(scene, 0, 0, 1, 0, 1, 0)))
        return StepFailed("Set camera orient");

    if (FAILED(lpD3DRM->CreateFrame(scene, &WorldFrame)))
        return StepFailed("Create world frame");
    scene->SetSceneBackgroundRGB(0, 0, 0);
    if (FAILED(WorldFrame->SetPosition(scene, 0, 0, 0)))
        return StepFailed("Set world pos");
    if (FAILED(WorldFrame->SetOrientation(scene, 0, 0, 1, 0, 1, 0)))
        return StepFailed("Set world orient");

    // The button table SlotButtons and the reel frames Reels are emptied here.
    delete Machine;
    Machine = new SlotMachine();
    Machine->SetMessageSink(&LoaderMessages);
    OpenMachineFile();
    return 0;
}

void PlaceCamera() {
    // After ShutDown the window's last messages may still move a camera that is gone.
    if (!CameraFrame || !SceneFrame)
        return;
    CameraFrame->SetPosition(SceneFrame, static_cast<float>(CameraBase.x + PanX),
                             static_cast<float>(CameraBase.y + PanY),
                             static_cast<float>(CameraBase.z + Zoom));
}

void SetWorldRotation() {
    if (!WorldFrame)
        return;
    const float x = (DisplayFlags & DISPLAY_ROTATE_X) ? 1.0f : 0.0f;
    const float y = (DisplayFlags & DISPLAY_ROTATE_Y) ? 1.0f : 0.0f;
    const float z = (DisplayFlags & DISPLAY_ROTATE_Z) ? 1.0f : 0.0f;
    const float angle = (x || y || z) ? ROTATION_PER_FRAME : 0.0f;
    WorldFrame->SetRotation(nullptr, x, y, z, angle);
}

#include "scene/world.h"

#include "engine/message_box.h"
#include "engine/random.h"
#include "engine/slot_machine.h"
#include "platform/win/platform.h"
#include "scene/scene_objects.h"
#include "scene/shared_flags.h"

WorldState World;
namespace {

constexpr float ROTATION_PER_FRAME = 0.03f;

// A failed world step shows its name; the caller then gives up.
HRESULT StepFailed(const char* step) {
    win::MessageBox(nullptr, step, "Direct 3D Error", win::MB_ICONEXCLAMATION);
    return E_FAIL;
}

// InitWorld's own references to the lights and their frame. The scene holds references of
// its own to whatever was attached, so these are given up however InitWorld ends; nothing
// attached to the scene is taken off again.
struct Lights {
    rm::RefPtr<IDirect3DRMFrame> frame;
    rm::RefPtr<IDirect3DRMLight> directional;
    rm::RefPtr<IDirect3DRMLight> ambient;
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

HRESULT BuildWorld(LPDIRECT3DRMDEVICE device, const OpenMachineFunction& openMachine) {
    Random::Seed(World.SeedOverride.value_or(win::timeGetTime()));
    if (FAILED(device->SetQuality(START_RENDER_QUALITY)))
        return StepFailed("Set Quality");
    if (FAILED(InitWorld(D3D.SceneFrame, D3D.CameraFrame, openMachine)))
        return StepFailed("Initialize Scene");
    return 0;
}

HRESULT InitWorld(LPDIRECT3DRMFRAME scene, LPDIRECT3DRMFRAME camera,
                  const OpenMachineFunction& openMachine) {
    Lights lights;
    if (FAILED(D3D.lpD3DRM->CreateFrame(scene, lights.frame.Out())))
        return StepFailed("Create light1 frame");
    lights.frame->SetPosition(scene, 0, 0, 0);
    lights.frame->SetOrientation(scene, 0, -1, 1, 0, 0, 1);
    if (FAILED(D3D.lpD3DRM->CreateLightRGB(D3DRMLIGHT_DIRECTIONAL, 1.0, 1.0, 1.0,
                                           lights.directional.Out())))
        return StepFailed("Create dir light");
    if (FAILED(lights.frame->AddLight(lights.directional)))
        return StepFailed("Add dir light");
    if (FAILED(
            D3D.lpD3DRM->CreateLightRGB(D3DRMLIGHT_AMBIENT, 0.1, 0.1, 0.1, lights.ambient.Out())))
        return StepFailed("Create ambient light");
    if (FAILED(scene->AddLight(lights.ambient)))
        return StepFailed("Add ambient light");

    World.CameraBase = {0.0, 0.0, -20.0};
    if (FAILED(camera->SetPosition(scene, 0, 0, -20)))
        return StepFailed("Set camera pos");
    if (FAILED(camera->SetOrientation(scene, 0, 0, 1, 0, 1, 0)))
        return StepFailed("Set camera orient");

    if (FAILED(D3D.lpD3DRM->CreateFrame(scene, &World.WorldFrame)))
        return StepFailed("Create world frame");
    scene->SetSceneBackgroundRGB(0, 0, 0);
    if (FAILED(World.WorldFrame->SetPosition(scene, 0, 0, 0)))
        return StepFailed("Set world pos");
    if (FAILED(World.WorldFrame->SetOrientation(scene, 0, 0, 1, 0, 1, 0)))
        return StepFailed("Set world orient");

    delete Machine;
    Machine = new SlotMachine();
    Machine->SetMessageSink(&LoaderMessages);
    if (openMachine)
        openMachine();
    return 0;
}

void PlaceCamera() {
    // After ShutDown the window's last messages may still move a camera that is gone.
    if (!D3D.CameraFrame || !D3D.SceneFrame)
        return;
    D3D.CameraFrame->SetPosition(D3D.SceneFrame,
                                 static_cast<float>(World.CameraBase.x + World.PanX),
                                 static_cast<float>(World.CameraBase.y + World.PanY),
                                 static_cast<float>(World.CameraBase.z + World.Zoom));
}

void SetWorldRotation() {
    if (!World.WorldFrame)
        return;
    const float x = (Shared.DisplayFlags & DISPLAY_ROTATE_X) ? 1.0f : 0.0f;
    const float y = (Shared.DisplayFlags & DISPLAY_ROTATE_Y) ? 1.0f : 0.0f;
    const float z = (Shared.DisplayFlags & DISPLAY_ROTATE_Z) ? 1.0f : 0.0f;
    const float angle = (x || y || z) ? ROTATION_PER_FRAME : 0.0f;
    World.WorldFrame->SetRotation(nullptr, x, y, z, angle);
}

#include "scene/machine_scene.h"

#include <algorithm>

#include "engine/slot_machine.h"
#include "scene/buttons.h"
#include "scene/cabinet.h"
#include "scene/error_report.h"
#include "scene/machine_state.h"
#include "scene/reel.h"
#include "scene/scene_objects.h"
#include "scene/shared_flags.h"
#include "scene/texture_registry.h"
#include "scene/world.h"

namespace {

constexpr double PI = 3.14159;

// A teardown whose check failed returned at once and took nothing off the world, which keeps
// what is attached and frees it in the end; the references the teardown still held are given
// up here, before the build takes their places and they would be lost.
void GiveUpLeftovers() {
    rm::GiveUp(MachineScene.MachineFrame);
    rm::GiveUp(MachineScene.CreditTex);
    rm::GiveUp(MachineScene.CreditSurface);
    for (LPDIRECT3DRMFRAME& reel : MachineScene.Reels)
        rm::GiveUp(reel);
    for (int32_t command = 0; command < MAX_BUTTONS; ++command)
        DestroyButton(command);
    ReleaseAllTextures();
}

} // namespace

HRESULT BuildMachineScene() {
    if (Machine == nullptr || D3D.lpD3DRM == nullptr)
        return E_FAIL;
    // A damaged record must not lead the stack past the four drums there are.
    const int numReels = std::clamp(Machine->NumReels, 0, MAX_REELS);
    const double reelstackwidth = (numReels - 1) * Machine->SymSpace + Machine->SymWidth * numReels;

    if (DestroyMachineScene() < 0)
        GiveUpLeftovers();

    LPDIRECT3DRMFRAME& MachineFrame = MachineScene.MachineFrame;
    LPDIRECT3DRMFRAME* Reels = MachineScene.Reels;
    LPDIRECT3DRMFRAME WorldFrame = World.WorldFrame;
    rm::RefPtr<IDirect3DRMFrame> mechanism;
    rm::RefPtr<IDirect3DRMFrame> reelstack;
    CheckedCall(D3D.lpD3DRM->CreateFrame(WorldFrame, &MachineFrame),
                "lpD3DRM->CreateFrame(WorldFrame,&MachineFrame)");
    CheckedCall(D3D.lpD3DRM->CreateFrame(MachineFrame, mechanism.Out()),
                "lpD3DRM->CreateFrame(MachineFrame,&mechanism)");
    CheckedCall(D3D.lpD3DRM->CreateFrame(mechanism, reelstack.Out()),
                "lpD3DRM->CreateFrame(mechanism,&reelstack)");

    for (int i = 0; i < numReels; ++i) {
        rm::RefPtr<IDirect3DRMFrame> reel; // given up at the end of each pass, once in the tree
        // Nothing is reported for the holder frame; without it this reel cannot stand, so
        // the build stops here as after any other failure.
        if (D3D.lpD3DRM->CreateFrame(reelstack, reel.Out()) < 0)
            return E_FAIL;
        double radius = 0;
        CheckedCall(CreateReel(reel, &Machine->Reels[i], Machine->SymWidth, &radius, &Reels[i]),
                    "CreateReel(reel,&Machine->Reels[i],Machine->SymWidth,&radius,&Reels[i])");
        // Lay the drum's axis along the stack, then push it back by its radius so that the
        // face on the pay line touches the stack's plane.
        CheckedCall(reel->AddRotation(D3DRMCOMBINE_AFTER, 0, 0, 1, D3DVAL(PI / 2)),
                    "reel->AddRotation(D3DRMCOMBINE_AFTER,0,0,1,PI/2)");
        CheckedCall(reel->AddRotation(D3DRMCOMBINE_AFTER, 1, 0, 0, D3DVAL(-PI / 2)),
                    "reel->AddRotation(D3DRMCOMBINE_AFTER,1,0,0,-PI/2)");
        CheckedCall(reel->AddTranslation(D3DRMCOMBINE_AFTER,
                                         D3DVAL(float(i) * (Machine->SymWidth + Machine->SymSpace) +
                                                Machine->SymWidth),
                                         0, D3DVAL(radius)),
                    "reel->AddTranslation(D3DRMCOMBINE_AFTER,float(i)*(Machine->SymWidth+Machine->"
                    "SymSpace)+Machine->SymWidth,0,radius)");
    }
    CheckedCall(
        reelstack->AddTranslation(D3DRMCOMBINE_AFTER, D3DVAL(-reelstackwidth / 2.0), 0, 0.1f),
        "reelstack->AddTranslation(D3DRMCOMBINE_AFTER,-reelstackwidth/2.0,0,0.1)");
    reelstack.Reset();

    if (Shared.DisplayFlags & DISPLAY_CABINET)
        CreateCabinet(mechanism, reelstackwidth + 0.5, Machine->WindowHeight, Machine->WindowThick);

    CheckedCall(mechanism.Reset(), "mechanism->Release()");
    return 0;
}

HRESULT DestroyMachineScene() {
    LPDIRECT3DRMFRAME& MachineFrame = MachineScene.MachineFrame;
    LPDIRECT3DRMFRAME* Reels = MachineScene.Reels;
    LPDIRECT3DRMTEXTURE& CreditTex = MachineScene.CreditTex;
    LPDIRECTDRAWSURFACE& CreditSurface = MachineScene.CreditSurface;
    LPDIRECT3DRMFRAME WorldFrame = World.WorldFrame;

    if (MachineFrame != nullptr) {
        if (WorldFrame != nullptr)
            CheckedCall(WorldFrame->DeleteChild(MachineFrame),
                        "WorldFrame->DeleteChild(MachineFrame)");
        CheckedRelease(MachineFrame);
    }
    for (int32_t command = 0; command < MAX_BUTTONS; ++command)
        DestroyButton(command);
    for (int i = 0; i < MAX_REELS; ++i)
        CheckedRelease(Reels[i]);
    ReleaseAllTextures();
    CheckedRelease(CreditTex);
    CheckedRelease(CreditSurface);
    // The next meter picture comes fresh from its file, without figures: the first frame
    // after the rebuild draws them, rather than leaving it blank until credits or bet move.
    MachineScene.MeterShown = {};
    MachineScene.MeterCredits = MachineScene.MeterBet = -1;
    return 0;
}

#include "scene/buttons.h"

#include <cmath>

#include "engine/slot_machine.h"
#include "scene/error_report.h"
#include "scene/machine_state.h"
#include "scene/scene_objects.h"
#include "scene/shared_flags.h"
#include "scene/texture_registry.h"

namespace {

// The two looks of a button are rows of the "buttons" picture a quarter of its height apart.
constexpr double STATE_ROW = 0.25;

// Commands outside the table have no button.
SlotButton* ButtonOf(int32_t command) {
    return command >= 0 && command < MAX_BUTTONS ? &MachineScene.SlotButtons[command] : nullptr;
}

} // namespace

HRESULT CreateButton(LPDIRECT3DRMFRAME parent, D3DVECTOR p1, D3DVECTOR p2, double x, double width,
                     double height, double tx, double ty, double tx2, double ty2, int32_t command) {
    SlotButton* button = ButtonOf(command);
    if (button == nullptr)
        return E_FAIL;
    const double dy = double(p1.y) - p2.y, dz = double(p1.z) - p2.z;
    const double k = height / std::sqrt(dy * dy + dz * dz);
    const double hy = dy * k * 0.5, hz = dz * k * 0.5;
    const double my = (double(p1.y) + p2.y) * 0.5, mz = (double(p1.z) + p2.z) * 0.5;
    // One unit in front of the slope, toward the viewer.
    D3DVECTOR v[4] = {
        {D3DVAL(x), D3DVAL(my - hy), D3DVAL(mz - hz - 1.0)},
        {D3DVAL(x), D3DVAL(my + hy), D3DVAL(mz + hz - 1.0)},
        {D3DVAL(x + width), D3DVAL(my + hy), D3DVAL(mz + hz - 1.0)},
        {D3DVAL(x + width), D3DVAL(my - hy), D3DVAL(mz - hz - 1.0)},
    };
    DWORD data[] = {4, 0, 1, 2, 3, 0};

    rm::RefPtr<IDirect3DRMMeshBuilder> mesh;
    rm::RefPtr<IDirect3DRMFrame> frame;
    CheckedCall(D3D.lpD3DRM->CreateMeshBuilder(mesh.Out()), "lpD3DRM->CreateMeshBuilder(&mesh)");
    CheckedCall(mesh->AddFaces(4, v, 0, nullptr, data, nullptr),
                "mesh->AddFaces(4,v,0,NULL,data,NULL)");
    CheckedCall(mesh->SetColorRGB(1.0, 1.0, 1.0), "mesh->SetColorRGB(1.0,1.0,1.0)");
    CheckedCall(mesh->SetPerspective(TRUE), "mesh->SetPerspective(TRUE)");
    CheckedCall(D3D.lpD3DRM->CreateFrame(parent, frame.Out()),
                "lpD3DRM->CreateFrame(parent,&frame)");
    CheckedCall(frame->AddVisual(mesh), "frame->AddVisual(mesh)");

    // A record built before without a teardown between still holds its mesh.
    DestroyButton(command);
    *button = SlotButton{.command = command,
                         .state = 0,
                         .needtexture = 1,
                         .tx = tx,
                         .ty = ty,
                         .tx2 = tx2,
                         .ty2 = ty2,
                         .mesh = mesh.Leak()}; // the record holds the builder's reference
    CheckedCall(frame->SetAppData(static_cast<DWORD>(command)), "frame->SetAppData(command)");
    SetButtonState(command, 1);
    CheckedRelease(frame);
    return 0;
}

HRESULT SetButtonState(int32_t command, int32_t state) {
    SlotButton* b = ButtonOf(command);
    if (b == nullptr || b->state == state || b->mesh == nullptr)
        return 0;
    // Recorded first: a look that fails to apply is not tried again until it changes.
    b->state = state;

    rm::RefPtr<IDirect3DRMFaceArray> faces;
    rm::RefPtr<IDirect3DRMFace> face;
    CheckedCall(b->mesh->GetFaces(faces.Out()), "b->mesh->GetFaces(&faces)");
    CheckedCall(faces->GetElement(0, face.Out()), "faces->GetElement(0,&face)");
    if (b->needtexture) {
        CheckedCall(face->SetTexture(GetSlotTexture("buttons")),
                    "face->SetTexture(GetSlotTexture(\"buttons\"))");
        b->needtexture = 0;
    }
    double ty = b->ty, ty2 = b->ty2;
    if (state == 2) {
        ty -= STATE_ROW;
        ty2 -= STATE_ROW;
    }
    CheckedCall(face->SetTextureCoordinates(0, D3DVAL(b->tx), D3DVAL(ty)),
                "face->SetTextureCoordinates(0,b->tx,ty)");
    CheckedCall(face->SetTextureCoordinates(1, D3DVAL(b->tx), D3DVAL(ty2)),
                "face->SetTextureCoordinates(1,b->tx,ty2)");
    CheckedCall(face->SetTextureCoordinates(2, D3DVAL(b->tx2), D3DVAL(ty2)),
                "face->SetTextureCoordinates(2,b->tx2,ty2)");
    CheckedCall(face->SetTextureCoordinates(3, D3DVAL(b->tx2), D3DVAL(ty)),
                "face->SetTextureCoordinates(3,b->tx2,ty)");
    CheckedRelease(face);
    CheckedRelease(faces);
    return 0;
}

void UpdateButtons() {
    if (Machine == nullptr)
        return;
    const bool canbet = Machine->GetBet() < Machine->GetMaxCoins();
    const bool hasbet = Machine->GetBet() > 0;
    const bool idle = Shared.Busy == 0;
    if (!(Shared.DisplayFlags & DISPLAY_BUTTONS))
        return;
    SetButtonState(BUTTON_PLAY_3, canbet && idle ? 2 : 1);
    SetButtonState(BUTTON_SPIN, hasbet && idle ? 2 : 1);
    SetButtonState(BUTTON_BET_1, canbet && idle ? 2 : 1);
    SetButtonState(BUTTON_NONE, 2);
}

void DestroyButton(int32_t command) {
    SlotButton* button = ButtonOf(command);
    if (button == nullptr)
        return;
    rm::GiveUp(button->mesh);
    *button = SlotButton{};
}

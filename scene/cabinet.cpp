#include "scene/cabinet.h"

#include "engine/slot_machine.h"
#include "scene/bitmap_surface.h"
#include "scene/buttons.h"
#include "scene/error_report.h"
#include "scene/machine_state.h"
#include "scene/scene_objects.h"
#include "scene/shared_flags.h"
#include "scene/texture_registry.h"

namespace {

constexpr int VERTEX_COUNT = 44;
constexpr int PAY_VERTEX_COUNT = 10;

// Corner lists of the cabinet's faces; the numbers of the meter face (4) and the chart
// face (18) are what the texturing below relies on.
constexpr DWORD CABINET_FACES[] = {4, 0,  1,  2,  3,          // 0 window frame, left strip
                                   4, 4,  2,  5,  6,          // 1 window frame, top strip
                                   4, 9,  5,  26, 27,         // 2 window frame, right strip
                                   4, 3,  11, 10, 9,          // 3 window frame, bottom strip
                                   4, 27, 26, 7,  8,          // 4 credit meter panel
                                   4, 12, 13, 1,  0,          // 5 left bevel
                                   4, 1,  13, 14, 7,          // 6 top bevel
                                   4, 8,  7,  14, 15,         // 7 right bevel
                                   6, 17, 12, 0,  8,  15, 16, // 8 lower bevel and button slope
                                   4, 18, 17, 16, 19,         // 9 lower front panel
                                   4, 20, 12, 17, 18,         // 10 left side below the bevel
                                   4, 19, 16, 15, 21,         // 11 right side below the bevel
                                   4, 42, 23, 13, 20,         // 12 left outer side, front
                                   4, 13, 23, 24, 14,         // 13 shelf above the top bevel
                                   4, 21, 14, 24, 43,         // 14 right outer side, front
                                   4, 28, 29, 30, 31,         // 15 chart surround, left
                                   4, 30, 29, 32, 33,         // 16 chart surround, top
                                   4, 34, 33, 32, 35,         // 17 chart surround, right
                                   4, 31, 30, 33, 34,         // 18 payoff chart
                                   4, 29, 36, 37, 32,         // 19 roof, sloping back
                                   4, 38, 36, 29, 39,         // 20 left side of the body
                                   4, 40, 32, 37, 41,         // 21 right side of the body
                                   4, 41, 37, 36, 38,         // 22 back
                                   4, 23, 28, 35, 24,         // 23 ledge below the chart
                                   4, 39, 28, 23, 42,         // 24 left side, between z = -1 and 0
                                   4, 43, 24, 35, 40,         // 25 right side, between z = -1 and 0
                                   4, 20, 18, 19, 21,         // 26 lowest front strip
                                   4, 39, 42, 43, 40,         // 27 bottom, front part
                                   4, 38, 39, 40, 41,         // 28 bottom of the body
                                   0};
static_assert(sizeof CABINET_FACES / sizeof(DWORD) == 148);

constexpr int METER_FACE = 4;
constexpr int CHART_FACE = 18;

// The wedges in the left and right frame strips and the thin bar across the window.
constexpr DWORD PAY_FACES[] = {4, 0, 1, 7, 6, 4, 3, 9, 8, 4, 4, 6, 7, 8, 9, 0};

// The five buttons on the slope below the window: command, left edge, width, state-1 cell.
struct ButtonPlace {
    int32_t command;
    double x, width, tx, ty, tx2, ty2;
};
constexpr ButtonPlace BUTTONS[] = {
    {BUTTON_CHANGE, 1.0, 1.0, 0.5, 0.75, 0.7499, 0.999},
    {BUTTON_NONE, 2.5, 1.0, 0.25, 0.75, 0.4999, 0.999},
    {BUTTON_BET_1, 4.0, 1.0, 0.0, 0.75, 0.2499, 0.999},
    {BUTTON_SPIN, 5.5, 2.0, 0.5, 0.25, 0.999, 0.4999},
    {BUTTON_PLAY_3, 8.0, 2.0, 0.0, 0.25, 0.4999, 0.4999},
};

D3DVECTOR Point(double x, double y, double z) {
    return {D3DVAL(x), D3DVAL(y), D3DVAL(z)};
}

} // namespace

HRESULT CreateCabinet(LPDIRECT3DRMFRAME parent, double width, double height, double thick) {
    const double W = width, H = height, T = thick;
    const double CH = Machine->ChartHeight;
    const double gright = W + 2 * T;
    const double top = H + 2 * T;
    const double R = gright + 3;
    const double CT = top + 1.6 + CH;
    const double c = top * 0.5;

    D3DVECTOR vertices[VERTEX_COUNT] = {
        Point(0, 0, 0),                  // 0
        Point(0, top, 0),                // 1
        Point(T, top, 0),                // 2
        Point(T, 0, 0),                  // 3
        Point(T, T + H, 0),              // 4
        Point(T + W, top, 0),            // 5
        Point(T + W, T + H, 0),          // 6
        Point(R, top, 0),                // 7
        Point(R, 0, 0),                  // 8
        Point(T + W, 0, 0),              // 9
        Point(T + W, T, 0),              // 10
        Point(T, T, 0),                  // 11
        Point(-1.25, -1.25, -1),         // 12
        Point(-1.25, top + 1.25, -1),    // 13
        Point(R + 1.25, top + 1.25, -1), // 14
        Point(R + 1.25, -1.25, -1),      // 15
        Point(R + 1.25, -1.85, -1.5),    // 16
        Point(-1.25, -1.85, -1.5),       // 17
        Point(-1.25, -2.85, -1.25),      // 18
        Point(R + 1.25, -2.85, -1.25),   // 19
        Point(-1.25, -3, -1),            // 20
        Point(R + 1.25, -3, -1),         // 21
        Point(-1.6, -1.25, -1),          // 22
        Point(-1.6, top + 1.6, -1),      // 23
        Point(R + 1.6, top + 1.6, -1),   // 24
        Point(R + 1.6, -1.25, -1),       // 25
        Point(gright, top, 0),           // 26
        Point(gright, 0, 0),             // 27
        Point(-1.6, top + 1.6, 0),       // 28
        Point(-1.6, CT + 0.35, 0),       // 29
        Point(-1.25, CT, 0),             // 30
        Point(-1.25, top + 1.6, 0),      // 31
        Point(R + 1.6, CT + 0.35, 0),    // 32
        Point(R + 1.25, CT, 0),          // 33
        Point(R + 1.25, top + 1.6, 0),   // 34
        Point(R + 1.6, top + 1.6, 0),    // 35
        Point(-1.6, CT + 1.25, 10),      // 36
        Point(R + 1.6, CT + 1.25, 10),   // 37
        Point(-1.6, -3, 10),             // 38
        Point(-1.6, -3, 0),              // 39
        Point(R + 1.6, -3, 0),           // 40
        Point(R + 1.6, -3, 10),          // 41
        Point(-1.6, -3, -1),             // 42
        Point(R + 1.6, -3, -1),          // 43
    };
    D3DVECTOR payvert[PAY_VERTEX_COUNT] = {
        Point(T * 0.25, c - T * 0.25, 0),
        Point(T * 0.25, c + T * 0.25, 0),
        Point(T * 0.75, c, 0),
        Point(W + T * 1.75, c - T * 0.25, 0),
        Point(W + T * 1.75, c + T * 0.25, 0),
        Point(W + T * 1.25, c, 0),
        Point(T * 0.75, c - T * 0.03125, 0),
        Point(T * 0.75, c + T * 0.03125, 0),
        Point(W + T * 1.25, c + T * 0.03125, 0),
        Point(W + T * 1.25, c - T * 0.03125, 0),
    };

    LPDIRECT3DRMTEXTURE& CreditTex = MachineScene.CreditTex;
    LPDIRECTDRAWSURFACE& CreditSurface = MachineScene.CreditSurface;
    CreditSurface = nullptr;
    CreditTex = nullptr;

    rm::RefPtr<IDirect3DRMMeshBuilder> paymesh;
    rm::RefPtr<IDirect3DRMMeshBuilder> mesh;
    rm::RefPtr<IDirect3DRMFrame> frame;
    CheckedCall(D3D.lpD3DRM->CreateMeshBuilder(paymesh.Out()),
                "lpD3DRM->CreateMeshBuilder(&paymesh)");
    CheckedCall(paymesh->AddFaces(PAY_VERTEX_COUNT, payvert, 0, nullptr, PAY_FACES, nullptr),
                "paymesh->AddFaces(10,payvert,0,NULL,paydata,NULL)");
    CheckedCall(paymesh->SetColorRGB(1.0, 0, 0), "paymesh->SetColorRGB(1.0,0,0)");
    // Just in front of the panel, so it is never hidden by the frame it lies on.
    CheckedCall(paymesh->Translate(0, 0, -0.01f), "paymesh->Translate(0,0,-0.01)");

    CheckedCall(D3D.lpD3DRM->CreateMeshBuilder(mesh.Out()), "lpD3DRM->CreateMeshBuilder(&mesh)");
    CheckedCall(mesh->AddFaces(VERTEX_COUNT, vertices, 0, nullptr, CABINET_FACES, nullptr),
                "mesh->AddFaces(44,vertices,0,NULL,data,NULL)");
    CheckedCall(mesh->SetQuality((mesh->GetQuality() & (~D3DRMSHADE_MASK)) | D3DRMSHADE_FLAT),
                "mesh->SetQuality(mesh->GetQuality() & (~D3DRMSHADE_MASK) | D3DRMSHADE_FLAT)");
    CheckedCall(mesh->SetPerspective(TRUE), "mesh->SetPerspective(TRUE)");
    CheckedCall(mesh->SetColorRGB(0.45f, 0.45f, 0.45f), "mesh->SetColorRGB(0.45,0.45,0.45)");

    if (Shared.DisplayFlags & DISPLAY_CREDITS) {
        CheckedCall(CreateSurfaceAndTexture(CREDIT_BMP_NAME, &CreditSurface, &CreditTex),
                    "CreateSurfaceAndTexture(CREDIT_BMP_NAME,&CreditSurface,&CreditTex)");
        // The panel shows the picture's left half, v = 0 along its upper edge.
        CheckedCall(SetFaceTexture(mesh, METER_FACE, 0, 0.999, 0.499, 0, CreditTex),
                    "SetFaceTexture(mesh,4,0,0.999,0.499,0,CreditTex)");
        CheckedCall(SetFaceColor(mesh, METER_FACE, 1, 1, 1), "SetFaceColor(mesh,4,1,1,1)");
    }
    if (Shared.DisplayFlags & DISPLAY_PAYOFF_CHART) {
        SetFaceColor(mesh, CHART_FACE, 1, 1, 1);
        if (Machine->ChartFile != nullptr)
            SetFaceTexture(mesh, CHART_FACE, 0, 0, 1.0, Machine->ChartY,
                           GetSlotTexture(Machine->ChartFile));
    }
    for (int face = 0; face <= 3; ++face)
        SetFaceColor(mesh, face, 0, 0, 0.5);
    for (int face = 5; face <= 14; ++face)
        SetFaceColor(mesh, face, 0.8, 0.8, 0.8);
    for (int face = 23; face <= 27; ++face)
        SetFaceColor(mesh, face, 0.8, 0.8, 0.8);

    CheckedCall(D3D.lpD3DRM->CreateFrame(parent, frame.Out()),
                "lpD3DRM->CreateFrame(parent,&frame)");
    CheckedCall(frame->AddVisual(mesh), "frame->AddVisual(mesh)");
    CheckedCall(frame->AddVisual(paymesh), "frame->AddVisual(paymesh)");
    // The centre of the window frame comes to the parent's origin.
    CheckedCall(frame->AddTranslation(D3DRMCOMBINE_AFTER, D3DVAL(-gright / 2), D3DVAL(-top / 2), 0),
                "frame->AddTranslation(D3DRMCOMBINE_AFTER,-gright/2,-top/2,0)");

    if (Shared.DisplayFlags & DISPLAY_BUTTONS) {
        const D3DVECTOR p1 = Point(0, 0, 0);
        const D3DVECTOR p2 = Point(R + 1.25, -1.85, -1.5);
        for (const ButtonPlace& b : BUTTONS)
            CreateButton(frame, p1, p2, b.x, b.width, 1.0, b.tx, b.ty, b.tx2, b.ty2, b.command);
    }

    CheckedRelease(paymesh);
    CheckedRelease(mesh);
    CheckedRelease(frame);
    return 0;
}

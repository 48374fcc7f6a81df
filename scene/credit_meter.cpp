#include "scene/credit_meter.h"

#include <cstdio>

#include "engine/slot_machine.h"
#include "platform/gdi/gdi.h"
#include "scene/bitmap_surface.h"
#include "scene/cabinet.h"
#include "scene/machine_state.h"
#include "scene/shared_flags.h"

namespace {

// Where each figure goes on the meter picture: its lower right corner and the rectangle it
// wipes and is clipped to. All of it lies in the picture's left half, which the panel shows.
struct Figure {
    int x, y;
    RECT rect;
};
constexpr Figure PAID{59, 69, {4, 48, 59, 69}};
constexpr Figure CREDITS{59, 94, {4, 73, 59, 94}};
constexpr Figure BET{59, 122, {41, 101, 59, 122}};

constexpr COLORREF FIGURE_COLOR = RGB(255, 0, 0);
constexpr COLORREF GROUND_COLOR = RGB(48, 0, 0);

void DrawFigure(HDC dc, const Figure& figure, long value) {
    char buffer[256];
    const int length = std::snprintf(buffer, sizeof buffer, "%ld", value);
    ExtTextOutA(dc, figure.x, figure.y, ETO_OPAQUE | ETO_CLIPPED, &figure.rect, buffer,
                static_cast<UINT>(length), nullptr);
}

} // namespace

void UpdateCreditMeter() {
    if (Machine == nullptr)
        return;
    MachineSceneState& scene = MachineScene;
    if (Machine->Credits == scene.MeterCredits && Machine->BetShown == scene.MeterBet)
        return;
    LPDIRECTDRAWSURFACE CreditSurface = scene.CreditSurface;
    if (!(Shared.DisplayFlags & DISPLAY_CREDITS) || CreditSurface == nullptr)
        return;
    // Taken before drawing: a drawing that fails is not retried until a figure changes.
    scene.MeterCredits = Machine->Credits;
    scene.MeterBet = Machine->BetShown;

    HDC dc = nullptr;
    HRESULT result = CreditSurface->GetDC(&dc);
    if (result == DDERR_SURFACELOST) {
        if (CreditSurface->Restore() == DD_OK)
            ReloadBitmap(CreditSurface, CREDIT_BMP_NAME);
        result = CreditSurface->GetDC(&dc);
    }
    if (result != DD_OK)
        return;

    SetBkMode(dc, OPAQUE);
    SetTextColor(dc, FIGURE_COLOR);
    SetTextAlign(dc, TA_RIGHT | TA_BOTTOM);
    SetBkColor(dc, GROUND_COLOR);
    DrawFigure(dc, PAID, Machine->Paid);
    DrawFigure(dc, CREDITS, Machine->Credits);
    DrawFigure(dc, BET, Machine->BetShown);
    CreditSurface->ReleaseDC(dc);
    scene.MeterShown = {1, Machine->Paid, Machine->Credits, Machine->BetShown};

    if (scene.CreditTex != nullptr)
        scene.CreditTex->Changed(TRUE, FALSE);
}

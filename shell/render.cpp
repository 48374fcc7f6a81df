#include "shell/render.h"

#include "engine/slot_machine.h"
#include "platform/win/platform.h"
#include "play/spin_sequence.h"
#include "scene/error_report.h"
#include "shell/app.h"
#include "shell/workbench.h"

int RenderFrame() {
    // Nothing to draw once ShutDown has released the scene (a scroll message may follow it).
    if (!D3D.SceneFrame || !D3D.Viewport || !D3D.Device)
        return 0;
    if (!SucceededOrShow(D3D.SceneFrame->Move(1.0), "Moving scene failed.\n%s"))
        return 0;
    StepReels();
    if (!SucceededOrShow(D3D.Viewport->Clear(), "Clearing viewport failed.\n%s"))
        return 0;
    if (!SucceededOrShow(D3D.Viewport->Render(D3D.SceneFrame), "Rendering scene failed.\n%s"))
        return 0;
    if (!SucceededOrShow(D3D.Device->Update(), "Updating device failed.\n%s"))
        return 0;
    return 1;
}

void UpdateTitle(win::Window* window) {
    TitleInputs in;
    in.showFps = Shell.ShowFPS;
    in.name = Machine->Name;
    in.expended = Machine->Expended;
    in.resetCount = Machine->ResetCount;
    in.tick = win::GetTickCount();
    in.reloaded = Bench.Reloaded;
    std::string title;
    if (AdvanceTitle(Shell.Status, in, title))
        window->SetWindowText(title);
}

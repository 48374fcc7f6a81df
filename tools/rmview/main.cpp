// rmview: renders the scene layer's reference scene into a PNG file.

#include <cstdio>

#include "platform/rm/reference_scene.h"
#include "tools/rmview/png_writer.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: rmview OUT.png\n");
        return 2;
    }
    rm::ReferenceScene scene;
    if (const HRESULT hr = rm::BuildReferenceScene(scene); hr < 0) {
        std::fprintf(stderr, "rmview: building the scene failed (0x%08X)\n", unsigned(hr));
        return 1;
    }
    if (const HRESULT hr = rm::RenderReferenceFrame(scene); hr < 0) {
        std::fprintf(stderr, "rmview: rendering failed (0x%08X)\n", unsigned(hr));
        return 1;
    }
    if (!WritePng(argv[1], scene.device->LastImage())) {
        std::fprintf(stderr, "rmview: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}

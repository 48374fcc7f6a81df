// rmview: renders the scene layer's reference scene into a PNG file.

#include <QImage>
#include <QString>
#include <cstdio>

#include "platform/rm/reference_scene.h"

namespace {

bool SavePng(const base::Image& picture, const char* path) {
    // The picture's pixels are 0x00RRGGBB rows from the top, as RGB32 lays them out.
    const QImage image(reinterpret_cast<const uchar*>(picture.pixels.data()), picture.width,
                       picture.height, picture.width * 4, QImage::Format_RGB32);
    return image.save(QString::fromLocal8Bit(path), "PNG");
}

} // namespace

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
    if (!SavePng(scene.device->LastImage(), argv[1])) {
        std::fprintf(stderr, "rmview: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}

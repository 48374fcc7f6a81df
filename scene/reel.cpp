#include "scene/reel.h"

#include <algorithm>
#include <cmath>
#include <strings.h>

#include "scene/error_report.h"
#include "scene/scene_objects.h"
#include "scene/texture_registry.h"

namespace {

// Sized for four times the longest strip, so they never fill.
constexpr int MAX_VERTICES = 4096;
constexpr int MAX_NORMALS = 2048;
constexpr int MAX_DATA = 16384;

// The turn that the whole scene code takes for 2 pi. Using it, not the exact value, leaves
// the ring a few millionths of a radian short of closing, which nobody can see.
constexpr double FULL_TURN = 6.28318;

// A stop of a damaged strip that points nowhere shows as an untextured stop of no height.
const SlotSymbol NO_SYMBOL{};

const SlotSymbol& StopSymbol(const SlotReel& reel, int stop) {
    return reel.strip[stop] != nullptr ? *reel.strip[stop] : NO_SYMBOL;
}

// Face i shows stop s(i): the strip is wound onto the drum in descending order, so that
// turning the drum toward increasing angles brings the stops in ascending order down past
// the pay line.
int StopOfFace(int face, int numsym) {
    return face == 0 ? 0 : numsym - face;
}

// A symbol without a picture of its own (the name "blank", or none at all) shows white.
bool HasPicture(const SlotSymbol& sym) {
    return sym.filename != nullptr && strcasecmp(sym.filename, "blank") != 0;
}

} // namespace

HRESULT CreateReel(LPDIRECT3DRMFRAME parent, SlotReel* reel, double width, double* radius,
                   LPDIRECT3DRMFRAME* frame) {
    *frame = nullptr;
    // The loader never lets a strip grow past MAX_STOPS; a record that says otherwise is not
    // followed past its arrays.
    const int numsym = std::clamp(reel->numsym, 0, MAX_STOPS);

    D3DVECTOR vertices[MAX_VERTICES];
    D3DVECTOR normals[MAX_NORMALS];
    DWORD data[MAX_DATA];
    static_assert(MAX_VERTICES >= 4 * MAX_STOPS && MAX_NORMALS >= 2 * MAX_STOPS &&
                  MAX_DATA >= 9 * MAX_STOPS + 1);

    double circumference = 0;
    for (int k = 0; k < numsym; ++k)
        circumference += StopSymbol(*reel, k).height;
    // Symbol heights come from the machine file: where they add up to nothing (or to more
    // than a double holds) the drum shrinks to its axis, every stop at angle 0.
    const bool round = circumference != 0 && std::isfinite(circumference);
    if (!round)
        circumference = 0;
    const double r = circumference * 0.15915507752443828; // S / 6.28318

    double acc = 0;
    int word = 0;
    for (int i = 0; i < numsym; ++i) {
        const int stop = StopOfFace(i, numsym);
        const SlotSymbol& sym = StopSymbol(*reel, stop);
        const double a1 = round ? acc / circumference * FULL_TURN : 0;
        acc += sym.height;
        const double a2 = round ? acc / circumference * FULL_TURN : 0;
        reel->angle[stop] = (a1 + a2) * -0.5;

        const D3DVECTOR lead{D3DVAL(r * std::cos(a1)), 0, D3DVAL(r * std::sin(a1))};
        const D3DVECTOR trail{D3DVAL(r * std::cos(a2)), 0, D3DVAL(r * std::sin(a2))};
        vertices[4 * i] = lead;
        vertices[4 * i + 1] = {lead.x, D3DVAL(width), lead.z};
        vertices[4 * i + 2] = {trail.x, D3DVAL(width), trail.z};
        vertices[4 * i + 3] = trail;
        normals[2 * i] = lead;
        normals[2 * i + 1] = trail;

        const DWORD v = 4 * i, n = 2 * i;
        for (DWORD w : {DWORD{4}, v, n, v + 1, n, v + 2, n + 1, v + 3, n + 1})
            data[word++] = w;
    }
    data[word] = 0;

    rm::RefPtr<IDirect3DRMMeshBuilder> mesh;
    rm::RefPtr<IDirect3DRMFaceArray> faces;
    rm::RefPtr<IDirect3DRMFace> face;
    rm::RefPtr<IDirect3DRMFrame> drum;
    CheckedCall(D3D.lpD3DRM->CreateMeshBuilder(mesh.Out()), "lpD3DRM->CreateMeshBuilder(&mesh)");
    CheckedCall(mesh->AddFaces(numsym * 4, vertices, numsym * 2, normals, data, nullptr),
                "mesh->AddFaces(reel->numsym*4,vertices,reel->numsym*2,normals,data,NULL)");
    CheckedCall(mesh->SetColorRGB(1, 1, 1), "mesh->SetColorRGB(1,1,1)");
    CheckedCall(mesh->SetPerspective(TRUE), "mesh->SetPerspective(TRUE)");
    CheckedCall(mesh->GetFaces(faces.Out()), "mesh->GetFaces(&faces)");
    for (int i = 0; i < numsym; ++i) {
        const SlotSymbol* sym = &StopSymbol(*reel, StopOfFace(i, numsym));
        CheckedCall(faces->GetElement(i, face.Out()), "faces->GetElement(i,&face)");
        if (HasPicture(*sym)) {
            CheckedCall(face->SetTexture(GetSlotTexture(sym->filename)),
                        "face->SetTexture(GetSlotTexture(sym->filename))");
            CheckedCall(face->SetTextureCoordinates(0, D3DVAL(sym->tx2), D3DVAL(sym->ty)),
                        "face->SetTextureCoordinates(0,sym->tx2,sym->ty)");
            CheckedCall(face->SetTextureCoordinates(1, D3DVAL(sym->tx), D3DVAL(sym->ty)),
                        "face->SetTextureCoordinates(1,sym->tx,sym->ty)");
            CheckedCall(face->SetTextureCoordinates(2, D3DVAL(sym->tx), D3DVAL(sym->ty2)),
                        "face->SetTextureCoordinates(2,sym->tx,sym->ty2)");
            CheckedCall(face->SetTextureCoordinates(3, D3DVAL(sym->tx2), D3DVAL(sym->ty2)),
                        "face->SetTextureCoordinates(3,sym->tx2,sym->ty2)");
        }
        CheckedRelease(face);
    }
    CheckedRelease(faces);

    CheckedCall(D3D.lpD3DRM->CreateFrame(parent, drum.Out()),
                "lpD3DRM->CreateFrame(parent,&frame)");
    CheckedCall(drum->AddVisual(mesh), "frame->AddVisual(mesh)");
    *radius = r;
    CheckedRelease(mesh);
    *frame = drum.Leak(); // handed out with its reference
    return 0;
}

#pragma once
// The retained-mode scene layer: frames in a tree, mesh builders with faces, textures,
// lights, keyframe animations, a device that renders with the software rasterizer, and
// viewports that render and pick. Objects are reference counted (AddRef/Release return the
// new count); operations return 0 or a negative result code of results.h.

#include <memory>
#include <vector>

#include "platform/rm/ddraw.h"
#include "platform/rm/math3d.h"
#include "platform/rm/raster.h"
#include "platform/rm/ref_ptr.h"

using D3DVALUE = float;
#define D3DVAL(v) (static_cast<D3DVALUE>(v))
using D3DCOLOR = DWORD;

struct D3DVECTOR {
    D3DVALUE x, y, z;
};

// A point in homogeneous form: x / w and y / w are its place on the screen.
struct D3DRMVECTOR4D {
    D3DVALUE x, y, z, w;
};

struct D3DRMQUATERNION {
    D3DVALUE s;
    D3DVECTOR v;
};

enum D3DRMCOMBINETYPE { D3DRMCOMBINE_REPLACE, D3DRMCOMBINE_BEFORE, D3DRMCOMBINE_AFTER };

enum D3DRMLIGHTTYPE {
    D3DRMLIGHT_AMBIENT,
    D3DRMLIGHT_POINT,
    D3DRMLIGHT_SPOT,
    D3DRMLIGHT_DIRECTIONAL,
    D3DRMLIGHT_PARALLELPOINT
};

// Render quality: shade mode | lighting | fill mode.
using D3DRMRENDERQUALITY = DWORD;
constexpr DWORD D3DRMSHADE_FLAT = 0;
constexpr DWORD D3DRMSHADE_GOURAUD = 1;
constexpr DWORD D3DRMSHADE_PHONG = 2;
constexpr DWORD D3DRMSHADE_MASK = 7;
constexpr DWORD D3DRMLIGHT_OFF = 0;
constexpr DWORD D3DRMLIGHT_ON = 8;
constexpr DWORD D3DRMLIGHT_MASK = 56;
constexpr DWORD D3DRMFILL_POINTS = 0;
constexpr DWORD D3DRMFILL_WIREFRAME = 64;
constexpr DWORD D3DRMFILL_SOLID = 128;
constexpr DWORD D3DRMFILL_MASK = 448;
constexpr DWORD D3DRMRENDER_FLAT = D3DRMSHADE_FLAT | D3DRMLIGHT_ON | D3DRMFILL_SOLID;
constexpr DWORD D3DRMRENDER_GOURAUD = D3DRMSHADE_GOURAUD | D3DRMLIGHT_ON | D3DRMFILL_SOLID;

inline bool IsValidRenderQuality(DWORD quality) {
    return (quality & ~(D3DRMSHADE_MASK | D3DRMLIGHT_MASK | D3DRMFILL_MASK)) == 0 &&
           (quality & D3DRMSHADE_MASK) <= D3DRMSHADE_PHONG &&
           (quality & D3DRMLIGHT_MASK) <= D3DRMLIGHT_ON &&
           (quality & D3DRMFILL_MASK) <= D3DRMFILL_SOLID;
}

using D3DRMTEXTUREQUALITY = DWORD;
constexpr DWORD D3DRMTEXTURE_NEAREST = 0;
constexpr DWORD D3DRMTEXTURE_LINEAR = 1;

constexpr DWORD D3DRMANIMATION_OPEN = 0x01;
constexpr DWORD D3DRMANIMATION_CLOSED = 0x02;
constexpr DWORD D3DRMANIMATION_LINEARPOSITION = 0x04;
constexpr DWORD D3DRMANIMATION_SPLINEPOSITION = 0x08;
constexpr DWORD D3DRMANIMATION_SCALEANDROTATION = 0x10;
constexpr DWORD D3DRMANIMATION_POSITION = 0x20;

extern const GUID IID_IDirect3DRMWinDevice;

class IDirect3DRM;
class IDirect3DRMFrame;
class IDirect3DRMTexture;
class IDirect3DRMDevice;

// Application data, which every object of the layer carries.
class IDirect3DRMObject : public IUnknown {
public:
    HRESULT SetAppData(DWORD data);
    DWORD GetAppData() const { return appData_; }

private:
    DWORD appData_ = 0;
};

// Anything a frame can show. Mesh builders are the visuals that render and pick.
class IDirect3DRMVisual : public IDirect3DRMObject {};

class IDirect3DRMLight : public IDirect3DRMObject {
public:
    D3DRMLIGHTTYPE GetType() const { return type_; }
    HRESULT SetColorRGB(D3DVALUE red, D3DVALUE green, D3DVALUE blue);
    rm::Vec3 Color() const { return color_; }

private:
    friend class IDirect3DRM;
    IDirect3DRMLight(D3DRMLIGHTTYPE type, rm::Vec3 color) : type_(type), color_(color) {}
    D3DRMLIGHTTYPE type_;
    rm::Vec3 color_;
};

// A picture to put on faces. A texture made from a surface keeps a copy of its pixels,
// renewed by Changed.
class IDirect3DRMTexture : public IDirect3DRMVisual {
public:
    HRESULT Changed(BOOL pixels, BOOL palette);
    const rm::raster::TextureView& View() const { return view_; }

private:
    friend class IDirect3DRM;
    IDirect3DRMTexture(base::Image picture, bool vFromBottom, IDirectDrawSurface* surface);
    ~IDirect3DRMTexture() override;
    void UpdateView();

    base::Image picture_;
    IDirectDrawSurface* surface_; // held; null for a texture read from a file
    rm::raster::TextureView view_;
};

class IDirect3DRMFace : public IDirect3DRMObject {
public:
    // Null takes the texture off.
    HRESULT SetTexture(IDirect3DRMTexture* texture);
    HRESULT GetTexture(IDirect3DRMTexture** texture);
    // `corner` counts the face's corners in the order of its face data.
    HRESULT SetTextureCoordinates(DWORD corner, D3DVALUE u, D3DVALUE v);
    HRESULT GetTextureCoordinates(DWORD corner, D3DVALUE* u, D3DVALUE* v);
    HRESULT SetColorRGB(D3DVALUE red, D3DVALUE green, D3DVALUE blue);
    int GetVertexCount() const { return int(corners_.size()); }
    rm::Vec3 Color() const { return color_; }

private:
    friend class IDirect3DRMMeshBuilder;
    friend class IDirect3DRMViewport;
    struct Corner {
        int vertex = 0;
        int normal = 0; // into the builder's normals, given or computed
        float u = 0, v = 0;
    };
    IDirect3DRMFace() = default;
    ~IDirect3DRMFace() override;

    std::vector<Corner> corners_;
    rm::Vec3 color_{1, 1, 1};
    rm::Vec3 normal_;                       // unit normal of the plane, toward the front side
    IDirect3DRMTexture* texture_ = nullptr; // held
};

class IDirect3DRMFaceArray : public IUnknown {
public:
    DWORD GetSize() const { return DWORD(faces_.size()); }
    HRESULT GetElement(DWORD index, IDirect3DRMFace** face);

private:
    friend class IDirect3DRMMeshBuilder;
    explicit IDirect3DRMFaceArray(const std::vector<IDirect3DRMFace*>& faces)
        : faces_(faces.begin(), faces.end()) {}
    ~IDirect3DRMFaceArray() override = default;
    std::vector<rm::RefPtr<IDirect3DRMFace>> faces_;
};

class IDirect3DRMMeshBuilder : public IDirect3DRMVisual {
public:
    // Face data: per face its corner count (3 or more), then per corner a vertex index, or
    // a vertex and a normal index when normals are given; a 0 ends the list. Indexes count
    // from the first vertex of this call. Faces without normals get normals computed from
    // the faces around each vertex. Nothing is added when the data is malformed.
    HRESULT AddFaces(DWORD vertexCount, const D3DVECTOR* vertices, DWORD normalCount,
                     const D3DVECTOR* normals, const DWORD* data, IDirect3DRMFaceArray** added);
    HRESULT SetColorRGB(D3DVALUE red, D3DVALUE green, D3DVALUE blue);
    HRESULT SetPerspective(BOOL perspective);
    BOOL GetPerspective() const { return perspective_; }
    D3DRMRENDERQUALITY GetQuality() const { return quality_; }
    HRESULT SetQuality(D3DRMRENDERQUALITY quality);
    // Faces in the order of the face data.
    HRESULT GetFaces(IDirect3DRMFaceArray** faces);
    int GetFaceCount() const { return int(faces_.size()); }
    int GetVertexCount() const { return int(vertices_.size()); }
    const std::vector<rm::Vec3>& Vertices() const { return vertices_; }
    HRESULT Translate(D3DVALUE x, D3DVALUE y, D3DVALUE z);

private:
    friend class IDirect3DRM;
    friend class IDirect3DRMViewport;
    IDirect3DRMMeshBuilder() = default;
    ~IDirect3DRMMeshBuilder() override;
    void ComputeMissingNormals(size_t firstFace, size_t firstVertex);

    std::vector<rm::Vec3> vertices_;
    std::vector<rm::Vec3> normals_;       // unit length
    std::vector<IDirect3DRMFace*> faces_; // held
    D3DRMRENDERQUALITY quality_ = D3DRMRENDER_GOURAUD;
    BOOL perspective_ = FALSE;
};

class IDirect3DRMFrameArray : public IUnknown {
public:
    DWORD GetSize() const { return DWORD(frames_.size()); }
    HRESULT GetElement(DWORD index, IDirect3DRMFrame** frame);

private:
    friend class IDirect3DRMPickedArray;
    friend class IDirect3DRMViewport;
    explicit IDirect3DRMFrameArray(const std::vector<rm::RefPtr<IDirect3DRMFrame>>& frames)
        : frames_(frames) {}
    ~IDirect3DRMFrameArray() override = default;
    std::vector<rm::RefPtr<IDirect3DRMFrame>> frames_;
};

class IDirect3DRMFrame : public IDirect3DRMVisual {
public:
    // Children, visuals and lights are held by the frame until it dies or lets them go.
    HRESULT AddChild(IDirect3DRMFrame* child);
    HRESULT DeleteChild(IDirect3DRMFrame* child);
    HRESULT AddVisual(IDirect3DRMVisual* visual);
    HRESULT DeleteVisual(IDirect3DRMVisual* visual);
    HRESULT AddLight(IDirect3DRMLight* light);
    HRESULT DeleteLight(IDirect3DRMLight* light);
    HRESULT GetParent(IDirect3DRMFrame** parent);

    HRESULT AddTranslation(D3DRMCOMBINETYPE combine, D3DVALUE x, D3DVALUE y, D3DVALUE z);
    HRESULT AddRotation(D3DRMCOMBINETYPE combine, D3DVALUE x, D3DVALUE y, D3DVALUE z,
                        D3DVALUE theta);
    // Reference null means the parent (or the world for a root).
    HRESULT SetPosition(IDirect3DRMFrame* reference, D3DVALUE x, D3DVALUE y, D3DVALUE z);
    HRESULT GetPosition(IDirect3DRMFrame* reference, D3DVECTOR* position);
    HRESULT SetOrientation(IDirect3DRMFrame* reference, D3DVALUE dx, D3DVALUE dy, D3DVALUE dz,
                           D3DVALUE ux, D3DVALUE uy, D3DVALUE uz);
    // A turn about the axis through the frame's origin by theta at every Move(1.0).
    HRESULT SetRotation(IDirect3DRMFrame* reference, D3DVALUE x, D3DVALUE y, D3DVALUE z,
                        D3DVALUE theta);
    // Applies this frame's rotation and those of all frames below it, scaled by delta.
    HRESULT Move(D3DVALUE delta);

    HRESULT SetSceneBackgroundRGB(D3DVALUE red, D3DVALUE green, D3DVALUE blue);
    D3DCOLOR GetSceneBackground() const { return background_; }

    const rm::Matrix& LocalTransform() const { return local_; }
    void SetLocalTransform(const rm::Matrix& m) { local_ = m; }
    rm::Matrix WorldTransform() const;
    IDirect3DRMFrame* Parent() const { return parent_; }
    IDirect3DRMFrame* Root();
    const std::vector<IDirect3DRMFrame*>& Children() const { return children_; }
    const std::vector<IDirect3DRMVisual*>& Visuals() const { return visuals_; }
    const std::vector<IDirect3DRMLight*>& Lights() const { return lights_; }

private:
    friend class IDirect3DRM;
    IDirect3DRMFrame() = default;
    ~IDirect3DRMFrame() override;
    bool IsAncestorOf(const IDirect3DRMFrame* frame) const;
    void Attach(IDirect3DRMFrame* child);
    void Detach(IDirect3DRMFrame* child);
    void Spin(float delta);
    rm::Matrix ReferenceTransform(IDirect3DRMFrame* reference) const;
    rm::Matrix ParentWorld() const;

    IDirect3DRMFrame* parent_ = nullptr; // not held: the parent holds us
    std::vector<IDirect3DRMFrame*> children_;
    std::vector<IDirect3DRMVisual*> visuals_;
    std::vector<IDirect3DRMLight*> lights_;
    rm::Matrix local_;
    rm::Vec3 spinAxis_; // in the parent's space
    float spinAngle_ = 0;
    D3DCOLOR background_ = 0;
};

class IDirect3DRMAnimation : public IDirect3DRMObject {
public:
    HRESULT SetOptions(DWORD options);
    // The frame is held while the animation drives it.
    HRESULT SetFrame(IDirect3DRMFrame* frame);
    // Keys are kept in time order; a key at the time of another goes after it.
    HRESULT AddRotateKey(D3DVALUE time, const D3DRMQUATERNION* rotation);
    HRESULT AddPositionKey(D3DVALUE time, D3DVALUE x, D3DVALUE y, D3DVALUE z);
    // Puts the frame at its attitude of that time: between two keys, the spherical blend
    // of their rotations along the shorter arc; before the first or after the last key,
    // that key (a closed animation wraps around instead).
    HRESULT SetTime(D3DVALUE time);

private:
    friend class IDirect3DRM;
    struct RotateKey {
        float time;
        rm::Quaternion rotation;
    };
    struct PositionKey {
        float time;
        rm::Vec3 position;
    };
    IDirect3DRMAnimation() = default;
    ~IDirect3DRMAnimation() override;
    friend class IDirect3DRMAnimationSet;
    float WrapTime(float time, float first, float last) const;
    void Apply(float time);

    DWORD options_ = D3DRMANIMATION_CLOSED | D3DRMANIMATION_LINEARPOSITION |
                     D3DRMANIMATION_SCALEANDROTATION | D3DRMANIMATION_POSITION;
    IDirect3DRMFrame* frame_ = nullptr;
    std::vector<RotateKey> rotateKeys_;
    std::vector<PositionKey> positionKeys_;
};

class IDirect3DRMAnimationSet : public IDirect3DRMObject {
public:
    HRESULT AddAnimation(IDirect3DRMAnimation* animation);
    HRESULT DeleteAnimation(IDirect3DRMAnimation* animation);
    HRESULT SetTime(D3DVALUE time);

private:
    friend class IDirect3DRM;
    IDirect3DRMAnimationSet() = default;
    ~IDirect3DRMAnimationSet() override;
    std::vector<IDirect3DRMAnimation*> animations_; // held
};

// The window side of a device, asked for with QueryInterface(IID_IDirect3DRMWinDevice).
class IDirect3DRMWinDevice : public IDirect3DRMObject {
public:
    // Shows the last image again (the window was uncovered).
    HRESULT HandlePaint(HDC dc);
    HRESULT HandleActivate(WORD state);

private:
    friend class IDirect3DRMDevice;
    explicit IDirect3DRMWinDevice(IDirect3DRMDevice* device);
    ~IDirect3DRMWinDevice() override;
    IDirect3DRMDevice* device_; // held
};

class IDirect3DRMDevice : public IDirect3DRMObject {
public:
    // Shows the rendered image. A window that lends its own pixels had the frame drawn into
    // them and now shows them. Otherwise the image becomes LastImage() and is handed to the
    // window's presenter as it is, without a copy, and the next frame is drawn into a picture
    // nobody else holds.
    HRESULT Update();
    DWORD GetWidth() const { return DWORD(width_); }
    DWORD GetHeight() const { return DWORD(height_); }
    D3DRMRENDERQUALITY GetQuality() const { return quality_; }
    HRESULT SetQuality(D3DRMRENDERQUALITY quality);
    BOOL GetDither() const { return dither_; }
    HRESULT SetDither(BOOL dither);
    D3DRMTEXTUREQUALITY GetTextureQuality() const { return textureQuality_; }
    HRESULT SetTextureQuality(D3DRMTEXTUREQUALITY quality);
    DWORD GetShades() const { return shades_; }
    HRESULT SetShades(DWORD shades);
    HRESULT QueryInterface(REFIID iid, void** out) override;

    // The last frame drawn into the device's own pictures, not into a window's pixels.
    const base::Image& LastImage() const { return *shown_; }
    bool IsMono() const { return mono_; }
    int ColorDepth() const { return depth_; }

private:
    friend class IDirect3DRM;
    friend class IDirect3DRMViewport;
    friend class IDirect3DRMWinDevice;
    IDirect3DRMDevice(IDirectDrawClipper* clipper, bool mono, int width, int height);
    ~IDirect3DRMDevice() override;
    rm::raster::RenderTarget Target();
    uint32_t* FrameColor();

    IDirectDrawClipper* clipper_; // held
    bool mono_;
    int width_, height_;
    int depth_;
    std::shared_ptr<base::Image> drawing_; // the colour buffer the frame is drawn into
    std::shared_ptr<base::Image> shown_;   // the last finished frame
    std::vector<float> depthBuffer_;
    rm::raster::PendingClear pendingClear_;  // of the buffer drawn into and depthBuffer_
    rm::raster::SettledBuffer shownSettled_; // what pendingClear_ knew of shown_
    bool onCanvas_ = false;                  // the frame is drawn into the window's pixels
    D3DRMRENDERQUALITY quality_ = D3DRMRENDER_FLAT;
    BOOL dither_ = TRUE;
    D3DRMTEXTUREQUALITY textureQuality_ = D3DRMTEXTURE_NEAREST;
    DWORD shades_ = 32;
};

struct D3DRMPICKDESC {
    ULONG ulFaceIdx;
    LONG lGroupIdx;
    D3DVECTOR vPosition; // x, y in pixels, z the camera-space depth
};

class IDirect3DRMPickedArray : public IUnknown {
public:
    DWORD GetSize() const { return DWORD(picks_.size()); }
    // Any of the outputs may be null. The frame array is the path from the rendered root
    // down to the frame holding the visual.
    HRESULT GetPick(DWORD index, IDirect3DRMVisual** visual, IDirect3DRMFrameArray** frames,
                    D3DRMPICKDESC* description);

private:
    friend class IDirect3DRMViewport;
    struct Pick {
        rm::RefPtr<IDirect3DRMVisual> visual;
        std::vector<rm::RefPtr<IDirect3DRMFrame>> path;
        D3DRMPICKDESC description;
    };
    IDirect3DRMPickedArray() = default;
    ~IDirect3DRMPickedArray() override = default;
    std::vector<Pick> picks_;
};

// Frame-time split of Render, for profiling; filled while set on a viewport.
struct RenderTimes {
    double transformSeconds = 0; // walking, transforming, lighting
    double rasterSeconds = 0;    // inside the rasterizer
    long polygons = 0;
};

class IDirect3DRMViewport : public IDirect3DRMObject {
public:
    // Clears the viewport's rectangle to the background of the camera's scene, and depth.
    HRESULT Clear();
    // Renders the tree under `scene` as the camera sees it.
    HRESULT Render(IDirect3DRMFrame* scene);
    HRESULT SetBack(D3DVALUE back);
    D3DVALUE GetBack() const { return projection_.back; }
    HRESULT SetFront(D3DVALUE front);
    D3DVALUE GetFront() const { return projection_.front; }
    HRESULT SetField(D3DVALUE field);
    D3DVALUE GetField() const { return projection_.field; }
    DWORD GetWidth() const { return DWORD(projection_.width); }
    DWORD GetHeight() const { return DWORD(projection_.height); }
    HRESULT GetCamera(IDirect3DRMFrame** camera);
    // The visuals under the viewport pixel (x, y) in the last rendered scene, nearest first.
    HRESULT Pick(LONG x, LONG y, IDirect3DRMPickedArray** picked);
    // Where a point given in world coordinates lands in the viewport as the camera now
    // sees it: x / w and y / w in viewport pixels (pixel (i, j) covers i..i+1, j..j+1), w
    // and z its distance in front of the camera. A point not in front of the camera gives
    // D3DRMERR_BADVALUE.
    HRESULT Transform(D3DRMVECTOR4D* screen, const D3DVECTOR* world);

    void SetRenderTimes(RenderTimes* times) { times_ = times; }
    void SetDrawTap(rm::raster::DrawTap* tap) { tap_ = tap; }

private:
    friend class IDirect3DRM;
    struct SceneLights {
        rm::Vec3 ambient;
        std::vector<rm::Vec3> directions; // world space, unit length
        std::vector<rm::Vec3> colors;
    };
    IDirect3DRMViewport(IDirect3DRMDevice* device, IDirect3DRMFrame* camera, int x, int y,
                        int width, int height);
    ~IDirect3DRMViewport() override;
    void RenderTree(IDirect3DRMFrame* frame, const rm::Matrix& parentWorld,
                    const SceneLights& lights, const rm::Matrix& view);
    void RenderMesh(const IDirect3DRMMeshBuilder& mesh, const rm::Matrix& world,
                    const SceneLights& lights, const rm::Matrix& view);
    rm::Vec3 LightAt(rm::Vec3 normal, const SceneLights& lights) const;
    void PickTree(IDirect3DRMFrame* frame, const rm::Matrix& parentWorld, const rm::Matrix& view,
                  rm::Vec3 ray, std::vector<IDirect3DRMFrame*>& path,
                  IDirect3DRMPickedArray& picked) const;

    IDirect3DRMDevice* device_;             // held
    IDirect3DRMFrame* camera_;              // held
    IDirect3DRMFrame* lastScene_ = nullptr; // held, for picking
    rm::raster::Projection projection_;
    RenderTimes* times_ = nullptr;
    rm::raster::DrawTap* tap_ = nullptr;
    // Per-mesh scratch, kept to avoid allocating every frame.
    std::vector<rm::Vec3> cameraSpace_;
    std::vector<rm::Vec3> litNormals_;
    std::vector<rm::Vec3> modelLights_;
    std::vector<rm::raster::Vertex> corners_;
};

class IDirect3DRM : public IUnknown {
public:
    // Without a parent the frame is a root; with one it is that frame's child.
    HRESULT CreateFrame(IDirect3DRMFrame* parent, IDirect3DRMFrame** frame);
    HRESULT CreateMeshBuilder(IDirect3DRMMeshBuilder** mesh);
    HRESULT CreateLightRGB(D3DRMLIGHTTYPE type, D3DVALUE red, D3DVALUE green, D3DVALUE blue,
                           IDirect3DRMLight** light);
    HRESULT CreateAnimation(IDirect3DRMAnimation** animation);
    HRESULT CreateAnimationSet(IDirect3DRMAnimationSet** set);
    // Reads a bitmap file; v = 0 is its bottom row.
    HRESULT LoadTexture(const char* fileName, IDirect3DRMTexture** texture);
    // v = 0 is the surface's top row. The texture keeps the surface.
    HRESULT CreateTextureFromSurface(IDirectDrawSurface* surface, IDirect3DRMTexture** texture);
    // `driver` is one of the listed drivers' identifiers, or null for the first.
    HRESULT CreateDeviceFromClipper(IDirectDrawClipper* clipper, GUID* driver, int width,
                                    int height, IDirect3DRMDevice** device);
    HRESULT CreateViewport(IDirect3DRMDevice* device, IDirect3DRMFrame* camera, DWORD x, DWORD y,
                           DWORD width, DWORD height, IDirect3DRMViewport** viewport);
    HRESULT SetDefaultTextureColors(DWORD colors);
    HRESULT SetDefaultTextureShades(DWORD shades);

private:
    friend HRESULT Direct3DRMCreate(IDirect3DRM** d3drm);
    IDirect3DRM() = default;
    DWORD textureColors_ = 8;
    DWORD textureShades_ = 16;
};

HRESULT Direct3DRMCreate(IDirect3DRM** d3drm);

// Fills q with the rotation about v by theta (a key of it turns its frame by -theta).
D3DRMQUATERNION* D3DRMQuaternionFromRotation(D3DRMQUATERNION* q, const D3DVECTOR* v,
                                             D3DVALUE theta);

using LPDIRECT3DRM = IDirect3DRM*;
using LPDIRECT3DRMOBJECT = IDirect3DRMObject*;
using LPDIRECT3DRMVISUAL = IDirect3DRMVisual*;
using LPDIRECT3DRMFRAME = IDirect3DRMFrame*;
using LPDIRECT3DRMFRAMEARRAY = IDirect3DRMFrameArray*;
using LPDIRECT3DRMMESHBUILDER = IDirect3DRMMeshBuilder*;
using LPDIRECT3DRMFACE = IDirect3DRMFace*;
using LPDIRECT3DRMFACEARRAY = IDirect3DRMFaceArray*;
using LPDIRECT3DRMTEXTURE = IDirect3DRMTexture*;
using LPDIRECT3DRMLIGHT = IDirect3DRMLight*;
using LPDIRECT3DRMANIMATION = IDirect3DRMAnimation*;
using LPDIRECT3DRMANIMATIONSET = IDirect3DRMAnimationSet*;
using LPDIRECT3DRMDEVICE = IDirect3DRMDevice*;
using LPDIRECT3DRMWINDEVICE = IDirect3DRMWinDevice*;
using LPDIRECT3DRMVIEWPORT = IDirect3DRMViewport*;
using LPDIRECT3DRMPICKEDARRAY = IDirect3DRMPickedArray*;
using LPD3DRMQUATERNION = D3DRMQUATERNION*;
using LPD3DVECTOR = D3DVECTOR*;

namespace rm {

// Whether a device of this client size can be made at all (see CreateDeviceFromClipper), so
// a caller can ask before a window of that size takes its own memory.
bool DeviceSizeFits(int width, int height);

} // namespace rm

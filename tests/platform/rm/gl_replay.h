#pragma once
// Draws the polygons our rasterizer was handed again through Mesa's llvmpipe (OpenGL 3.3
// core, surfaceless EGL) and compares the pictures, so that changes to the rasterizer can
// be checked against an independent renderer.

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "platform/base/image.h"
#include "platform/rm/raster.h"

namespace glcheck {

// What one frame handed the rasterizer, with copies of its textures.
struct Frame {
    struct Texture {
        int width = 0, height = 0;
        bool vFromBottom = true;
        std::vector<uint32_t> pixels;
    };
    struct Polygon {
        std::vector<rm::raster::Vertex> corners;
        rm::raster::PolygonStyle style; // its texture pointer is unused: see `texture`
        int texture = -1;               // into textures; -1 for none
    };
    int width = 0, height = 0, bitsPerPixel = 32;
    rm::raster::Projection projection; // the program's one viewport
    uint32_t background = 0;
    std::vector<Texture> textures;
    std::vector<Polygon> polygons;
};

// Set on a viewport (SetDrawTap), keeps each frame; Take() hands the last one over.
class Recorder : public rm::raster::DrawTap {
public:
    void Cleared(const rm::raster::RenderTarget& target, const rm::raster::Projection& viewport,
                 uint32_t rgb) override;
    void Polygon(const rm::raster::RenderTarget&, const rm::raster::Projection&,
                 const rm::raster::Vertex* corners, int count,
                 const rm::raster::PolygonStyle& style) override;
    Frame Take() { return std::exchange(frame_, Frame{}); }

private:
    Frame frame_;
    std::map<const uint32_t*, int> textureIds_;
};

// How our rasterizer draws a frame again.
struct OurOptions {
    bool ids = false;      // each polygon flat in the colour (index + 1) on 0
    double du = 0, dv = 0; // every texture shifted by that many texels
    bool wide = true;      // the pixel loops may go eight pixels at a time
    bool owed = false;     // clears owed and paid as drawing goes, as the device has them
};

// Frames through our rasterizer again, into buffers kept from frame to frame.
class Ours {
public:
    const base::Image& Render(const Frame& frame, const OurOptions& options = {});

private:
    base::Image image_;
    std::vector<float> depth_;
    rm::raster::PendingClear pending_;
};

inline base::Image RenderOurs(const Frame& frame, const OurOptions& options = {}) {
    return Ours().Render(frame, options);
}

struct Comparison {
    static constexpr int TOLERANCE = 4; // levels per channel
    struct Difference {
        int x, y, size;
        uint32_t ours, theirs;
        std::string why; // empty when nothing explains it
    };
    double withinShare = 0;           // of the pixels, within TOLERANCE in every channel
    std::map<std::string, int> kinds; // the larger differences by explanation
    int unexplained = 0;
    std::vector<Difference> worst; // largest first
    std::string Describe() const;
};

struct Check {
    base::Image ours, theirs;
    Comparison comparison;
};

class Llvmpipe {
public:
    Llvmpipe(); // see Ready(): tests fail, with Error(), where EGL or llvmpipe is missing
    ~Llvmpipe();
    Llvmpipe(const Llvmpipe&) = delete;
    Llvmpipe& operator=(const Llvmpipe&) = delete;
    bool Ready() const { return error_.empty(); }
    const std::string& Error() const { return error_; }

    // Load uploads a frame's textures and polygons, Draw renders them and waits, Read
    // gives the picture.
    void Load(const Frame& frame, bool ids = false);
    void Draw();
    base::Image Read();
    // Both renderers' pictures of the frame and how they differ.
    Check Compare(const Frame& frame);

private:
    struct Batch {
        const Frame::Polygon* style; // of its consecutive polygons
        int first, count;            // vertices of their triangles
    };
    std::string Start(); // the problem, or empty
    base::Image Render(const Frame& frame, bool ids);
    void* display_ = nullptr;
    void* context_ = nullptr;
    unsigned program_ = 0, framebuffer_ = 0, renderbuffers_[2] = {}, vertexArray_ = 0, buffer_ = 0;
    std::vector<unsigned> textures_;
    std::vector<Batch> batches_;
    const Frame* frame_ = nullptr;
    bool ids_ = false;
    std::string error_;
};

// Ours | llvmpipe | differences (grey by size, red beyond the tolerance) as one PNG.
bool SaveSideBySide(const Check& check, const std::string& path);

// The program's own frames of both examples: the default view, each display option off,
// nearest texels with flat shading, zoomed in, mid-spin and turned.
struct View {
    std::string name;
    Frame frame;
    base::Image shown; // what the device showed of it
};
std::vector<View> CaptureMachineViews(); // empty when an example does not open

} // namespace glcheck

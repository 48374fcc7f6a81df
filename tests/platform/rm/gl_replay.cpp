#include "gl_replay.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>
#define GL_GLEXT_PROTOTYPES
#include <GL/gl.h>
#include <GL/glext.h>

#include <QImage>
#include <algorithm>
#include <cstddef>
#include <cstdlib>
#include <sstream>

namespace glcheck {
namespace {

using rm::raster::Vertex;

// Camera space to the target's pixels as our rasterizer maps it, GL's window y being our
// row (so the picture reads back top row first). Depth is camera z between the planes,
// per fragment, as our float depth buffer holds it. Colours are linear on the screen, as
// are texture coordinates unless perspective correct.
constexpr const char* VERTEX_SHADER = R"(#version 330 core
layout(location = 0) in vec3 camera;
layout(location = 1) in vec2 uvIn;
layout(location = 2) in vec3 rgbIn;
uniform vec3 screen; // centre x, centre y, pixels per unit at distance 1
uniform vec2 size, planes;
out vec2 uvPerspective;
noperspective out vec2 uvAffine;
noperspective out vec3 rgb;
out float z;
void main() {
    z = camera.z;
    vec2 pixelTimesZ = vec2(screen.x * z + screen.z * camera.x, screen.y * z - screen.z * camera.y);
    float f = planes.x, b = planes.y;
    gl_Position = vec4(2.0 * pixelTimesZ / size - z, ((b + f) * z - 2.0 * b * f) / (b - f), z);
    uvPerspective = uvAffine = uvIn;
    rgb = clamp(rgbIn, 0.0, 1.0);
})";

constexpr const char* FRAGMENT_SHADER = R"(#version 330 core
in vec2 uvPerspective;
noperspective in vec2 uvAffine;
noperspective in vec3 rgb;
in float z;
uniform sampler2D picture;
uniform int mode; // 0 colour, 1 texture affine, 2 texture perspective correct
uniform vec2 planes;
out vec4 colour;
void main() {
    vec3 texel = mode == 0 ? vec3(1.0) : texture(picture, mode == 2 ? uvPerspective : uvAffine).rgb;
    colour = vec4(rgb * texel, 1.0);
    gl_FragDepth = (z - planes.x) / (planes.y - planes.x);
})";

int Channel(uint32_t rgb, int c) {
    return int((rgb >> (16 - 8 * c)) & 0xFF);
}

int ChannelDifference(uint32_t a, uint32_t b) {
    int most = 0;
    for (int c = 0; c < 3; ++c)
        most = std::max(most, std::abs(Channel(a, c) - Channel(b, c)));
    return most;
}

// A flat colour that both renderers turn back into the same bytes: byte / 255.
void SetIdColour(Vertex& v, size_t id) {
    v.r = float((id >> 16) & 0xFF) / 255.0f;
    v.g = float((id >> 8) & 0xFF) / 255.0f;
    v.b = float(id & 0xFF) / 255.0f;
}

bool NearOther(const base::Image& ids, int x, int y, uint32_t id) {
    for (int j = std::max(y - 1, 0); j <= std::min(y + 1, ids.height - 1); ++j)
        for (int i = std::max(x - 1, 0); i <= std::min(x + 1, ids.width - 1); ++i)
            if (ids.At(i, j) != id)
                return true;
    return false;
}

// Our texture shifts of SAMPLE_SLACK texels: where one of them gives llvmpipe's colour, the
// texture changes so sharply there that the rounding of either renderer's coordinates
// picks a visibly different colour.
constexpr double SAMPLE_SLACK = 1.0 / 32;

std::string Explain(const base::Image& ourIds, const base::Image& theirIds,
                    const std::vector<base::Image>& shifted, uint32_t theirs, int x, int y) {
    const uint32_t id = ourIds.At(x, y);
    const bool edge = NearOther(ourIds, x, y, id) || NearOther(theirIds, x, y, theirIds.At(x, y));
    if (id != theirIds.At(x, y))
        return edge ? "edge pixel given to the other polygon" : "other polygon nearer";
    if (edge)
        return "shading at a polygon's edge";
    for (const base::Image& image : shifted)
        if (ChannelDifference(image.At(x, y), theirs) <= Comparison::TOLERANCE)
            return "texture sampled where it changes sharply";
    return "";
}

bool SameStyle(const Frame::Polygon& a, const Frame::Polygon& b) {
    return a.texture == b.texture && a.style.filter == b.style.filter &&
           a.style.perspective == b.style.perspective &&
           a.style.cullBackFaces == b.style.cullBackFaces && a.style.fill == b.style.fill;
}

} // namespace

void Recorder::Cleared(const rm::raster::RenderTarget& target,
                       const rm::raster::Projection& viewport, uint32_t rgb) {
    frame_ = Frame{target.width, target.height, target.bitsPerPixel, viewport, rgb, {}, {}};
    textureIds_.clear();
}

void Recorder::Polygon(const rm::raster::RenderTarget&, const rm::raster::Projection&,
                       const Vertex* corners, int count, const rm::raster::PolygonStyle& style) {
    Frame::Polygon p{{corners, corners + count}, style, -1};
    if (const rm::raster::TextureView* t = style.texture) {
        auto [at, added] = textureIds_.emplace(t->pixels, int(frame_.textures.size()));
        if (added)
            frame_.textures.push_back(
                {t->width, t->height, t->vFromBottom,
                 std::vector<uint32_t>(t->pixels, t->pixels + size_t(t->width) * t->height)});
        p.texture = at->second;
    }
    frame_.polygons.push_back(std::move(p));
}

const base::Image& Ours::Render(const Frame& frame, const OurOptions& o) {
    std::vector<rm::raster::TextureView> views;
    for (const Frame::Texture& t : frame.textures)
        views.push_back({t.width, t.height, t.pixels.data(), t.vFromBottom});
    if (image_.width != frame.width || image_.height != frame.height) {
        image_.Resize(frame.width, frame.height, 0);
        depth_.assign(image_.pixels.size(), 0.0f);
        pending_ = {};
    }
    rm::raster::RenderTarget target{.width = frame.width,
                                    .height = frame.height,
                                    .color = image_.pixels.data(),
                                    .depth = depth_.data(),
                                    .bitsPerPixel = o.ids ? 32 : frame.bitsPerPixel,
                                    .pending = o.owed ? &pending_ : nullptr,
                                    .widePixels = o.wide};
    rm::raster::Clear(target, frame.projection, o.ids ? 0 : frame.background);
    rm::raster::ClearDepth(target, frame.projection);
    std::vector<Vertex> shifted;
    for (size_t i = 0; i < frame.polygons.size(); ++i) {
        const Frame::Polygon& p = frame.polygons[i];
        rm::raster::PolygonStyle style = p.style;
        style.texture = p.texture >= 0 && !o.ids ? &views[size_t(p.texture)] : nullptr;
        const Vertex* corners = p.corners.data();
        if (o.ids || (style.texture != nullptr && (o.du != 0 || o.dv != 0))) {
            shifted = p.corners;
            for (Vertex& v : shifted) {
                if (o.ids)
                    SetIdColour(v, i + 1);
                else
                    v.u += float(o.du / style.texture->width),
                        v.v += float(o.dv / style.texture->height);
            }
            corners = shifted.data();
        }
        rm::raster::DrawPolygon(target, frame.projection, corners, int(p.corners.size()), style);
    }
    rm::raster::SettleColor(target);
    return image_;
}

std::string Comparison::Describe() const {
    std::ostringstream out;
    out.precision(3);
    out << std::fixed << 100.0 * withinShare << "% within " << TOLERANCE << " levels";
    for (const auto& [kind, count] : kinds)
        out << "; " << count << " " << kind;
    for (const Difference& d : worst)
        out << "\n  (" << d.x << ", " << d.y << ") by " << d.size << ": ours " << std::hex << d.ours
            << ", llvmpipe " << d.theirs << std::dec << ": "
            << (d.why.empty() ? "unexplained" : d.why);
    return out.str();
}

Llvmpipe::Llvmpipe() {
    if (const std::string problem = Start(); !problem.empty())
        error_ = "llvmpipe: " + problem;
}

std::string Llvmpipe::Start() {
    setenv("LIBGL_ALWAYS_SOFTWARE", "1", 0); // llvmpipe even where a GPU exists
    const auto getDisplay = reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(
        eglGetProcAddress("eglGetPlatformDisplayEXT"));
    display_ = getDisplay ? getDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr)
                          : EGL_NO_DISPLAY;
    if (display_ == EGL_NO_DISPLAY || !eglInitialize(display_, nullptr, nullptr)) {
        display_ = nullptr;
        return "no surfaceless EGL display (are libegl-mesa0 and libgl1-mesa-dri installed?)";
    }
    const EGLint contextWanted[] = {EGL_CONTEXT_MAJOR_VERSION,
                                    3,
                                    EGL_CONTEXT_MINOR_VERSION,
                                    3,
                                    EGL_CONTEXT_OPENGL_PROFILE_MASK,
                                    EGL_CONTEXT_OPENGL_CORE_PROFILE_BIT,
                                    EGL_NONE};
    if (!eglBindAPI(EGL_OPENGL_API))
        return "no desktop OpenGL through EGL";
    context_ = eglCreateContext(display_, EGL_NO_CONFIG_KHR, EGL_NO_CONTEXT, contextWanted);
    if (context_ == EGL_NO_CONTEXT ||
        !eglMakeCurrent(display_, EGL_NO_SURFACE, EGL_NO_SURFACE, context_))
        return "no surfaceless OpenGL 3.3 core context";
    const std::string renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
    if (renderer.find("llvmpipe") == std::string::npos)
        return "the renderer is " + renderer + ", not llvmpipe";
    program_ = glCreateProgram();
    for (auto [kind, source] : {std::pair{GL_VERTEX_SHADER, VERTEX_SHADER},
                                std::pair{GL_FRAGMENT_SHADER, FRAGMENT_SHADER}}) {
        const GLuint shader = glCreateShader(kind);
        glShaderSource(shader, 1, &source, nullptr);
        glCompileShader(shader);
        glAttachShader(program_, shader);
        glDeleteShader(shader);
    }
    glLinkProgram(program_);
    GLint linked = 0;
    glGetProgramiv(program_, GL_LINK_STATUS, &linked);
    if (!linked)
        return "the shaders do not link";
    glGenVertexArrays(1, &vertexArray_);
    glGenBuffers(1, &buffer_);
    glGenFramebuffers(1, &framebuffer_);
    glGenRenderbuffers(2, renderbuffers_);
    return "";
}

Llvmpipe::~Llvmpipe() {
    if (context_ != nullptr) {
        glDeleteTextures(GLsizei(textures_.size()), textures_.data());
        eglMakeCurrent(display_, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
        eglDestroyContext(display_, context_);
    }
    // The display stays initialised: terminating it unloads Mesa's driver, which then
    // leaves a few of its allocations unreachable (LeakSanitizer reports them).
    eglReleaseThread();
}

void Llvmpipe::Load(const Frame& frame, bool ids) {
    frame_ = &frame;
    ids_ = ids;
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer_);
    for (auto [i, format, attachment] : {std::tuple{0, GL_RGBA8, GL_COLOR_ATTACHMENT0},
                                         {1, GL_DEPTH_COMPONENT32F, GL_DEPTH_ATTACHMENT}}) {
        glBindRenderbuffer(GL_RENDERBUFFER, renderbuffers_[i]);
        glRenderbufferStorage(GL_RENDERBUFFER, format, frame.width, frame.height);
        glFramebufferRenderbuffer(GL_FRAMEBUFFER, attachment, GL_RENDERBUFFER, renderbuffers_[i]);
    }
    glDeleteTextures(GLsizei(textures_.size()), textures_.data());
    textures_.assign(frame.textures.size(), 0);
    glGenTextures(GLsizei(textures_.size()), textures_.data());
    for (size_t i = 0; i < textures_.size(); ++i) {
        const Frame::Texture& t = frame.textures[i];
        std::vector<uint32_t> rows; // GL's t = 0 is the first row given
        for (int y = 0; y < t.height; ++y) {
            const auto row = t.pixels.begin() + (t.vFromBottom ? t.height - 1 - y : y) * t.width;
            rows.insert(rows.end(), row, row + t.width);
        }
        glBindTexture(GL_TEXTURE_2D, textures_[i]);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, t.width, t.height, 0, GL_BGRA, GL_UNSIGNED_BYTE,
                     rows.data());
    }
    std::vector<Vertex> triangles;
    batches_.clear();
    for (size_t i = 0; i < frame.polygons.size(); ++i) {
        const Frame::Polygon& p = frame.polygons[i];
        if (batches_.empty() || !SameStyle(*batches_.back().style, p))
            batches_.push_back({&p, int(triangles.size()), 0});
        for (size_t k = 1; k + 1 < p.corners.size(); ++k)
            for (size_t corner : {size_t{0}, k, k + 1}) {
                triangles.push_back(p.corners[corner]);
                if (ids)
                    SetIdColour(triangles.back(), i + 1);
            }
        batches_.back().count = int(triangles.size()) - batches_.back().first;
    }
    glBindVertexArray(vertexArray_);
    glBindBuffer(GL_ARRAY_BUFFER, buffer_);
    glBufferData(GL_ARRAY_BUFFER, GLsizeiptr(triangles.size() * sizeof(Vertex)), triangles.data(),
                 GL_STATIC_DRAW);
    for (auto [index, size, offset] : {std::tuple{0u, 3, offsetof(Vertex, x)},
                                       {1u, 2, offsetof(Vertex, u)},
                                       {2u, 3, offsetof(Vertex, r)}}) {
        glVertexAttribPointer(index, size, GL_FLOAT, GL_FALSE, sizeof(Vertex),
                              reinterpret_cast<const void*>(offset));
        glEnableVertexAttribArray(index);
    }
}

void Llvmpipe::Draw() {
    const Frame& f = *frame_;
    const rm::raster::Projection& p = f.projection;
    glViewport(0, 0, f.width, f.height);
    glEnable(GL_SCISSOR_TEST);
    glScissor(p.x, p.y, p.width, p.height);
    const uint32_t background = ids_ ? 0 : f.background;
    glClearColor(float(Channel(background, 0)) / 255.0f, float(Channel(background, 1)) / 255.0f,
                 float(Channel(background, 2)) / 255.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL); // ours draws where depth <= the buffer's
    glFrontFace(GL_CCW);    // our rows run down: clockwise in the picture is counter-clockwise here
    glUseProgram(program_);
    glUniform3f(glGetUniformLocation(program_, "screen"), float(p.x) + 0.5f * float(p.width),
                float(p.y) + 0.5f * float(p.height),
                0.5f * float(std::min(p.width, p.height)) / p.field);
    glUniform2f(glGetUniformLocation(program_, "size"), float(f.width), float(f.height));
    glUniform2f(glGetUniformLocation(program_, "planes"), p.front, p.back);
    const GLint mode = glGetUniformLocation(program_, "mode");
    glBindVertexArray(vertexArray_);
    for (const Batch& b : batches_) {
        const Frame::Polygon& s = *b.style;
        const bool textured = !ids_ && s.texture >= 0;
        glUniform1i(mode, !textured ? 0 : s.style.perspective ? 2 : 1);
        if (textured) {
            const GLint filter =
                s.style.filter == rm::raster::TextureFilter::Bilinear ? GL_LINEAR : GL_NEAREST;
            glBindTexture(GL_TEXTURE_2D, textures_[size_t(s.texture)]);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, filter);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, filter);
        }
        s.style.cullBackFaces ? glEnable(GL_CULL_FACE) : glDisable(GL_CULL_FACE);
        glDrawArrays(GL_TRIANGLES, b.first, b.count);
    }
    glFinish();
}

base::Image Llvmpipe::Read() {
    base::Image image;
    image.Resize(frame_->width, frame_->height, 0);
    glReadPixels(0, 0, image.width, image.height, GL_BGRA, GL_UNSIGNED_BYTE, image.pixels.data());
    for (uint32_t& pixel : image.pixels)
        pixel |= 0xFF000000; // opaque, as ours are
    return image;
}

base::Image Llvmpipe::Render(const Frame& frame, bool ids) {
    Load(frame, ids);
    Draw();
    return Read();
}

Check Llvmpipe::Compare(const Frame& frame) {
    Check check{RenderOurs(frame), Render(frame, false), {}};
    const base::Image ourIds = RenderOurs(frame, {.ids = true}), theirIds = Render(frame, true);
    std::vector<base::Image> shifted;
    for (double du : {-SAMPLE_SLACK, 0.0, SAMPLE_SLACK})
        for (double dv : {-SAMPLE_SLACK, 0.0, SAMPLE_SLACK})
            if (du != 0 || dv != 0)
                shifted.push_back(RenderOurs(frame, {.du = du, .dv = dv}));
    Comparison& c = check.comparison;
    std::vector<Comparison::Difference> large;
    for (int y = 0; y < frame.height; ++y)
        for (int x = 0; x < frame.width; ++x) {
            const uint32_t ours = check.ours.At(x, y), theirs = check.theirs.At(x, y);
            const int size = ChannelDifference(ours, theirs);
            if (size > Comparison::TOLERANCE)
                large.push_back(
                    {x, y, size, ours, theirs, Explain(ourIds, theirIds, shifted, theirs, x, y)});
        }
    c.withinShare = 1.0 - double(large.size()) / double(std::max(1, frame.width * frame.height));
    for (const Comparison::Difference& d : large) {
        ++c.kinds[d.why.empty() ? "unexplained" : d.why];
        c.unexplained += d.why.empty();
    }
    std::stable_sort(large.begin(), large.end(), [](auto& a, auto& b) { return a.size > b.size; });
    large.resize(std::min<size_t>(large.size(), 6));
    c.worst = std::move(large);
    return check;
}

bool SaveSideBySide(const Check& check, const std::string& path) {
    const int width = check.ours.width;
    QImage out(3 * width, check.ours.height, QImage::Format_RGB32);
    for (int y = 0; y < out.height(); ++y)
        for (int x = 0; x < width; ++x) {
            const uint32_t ours = check.ours.At(x, y), theirs = check.theirs.At(x, y);
            const int size = ChannelDifference(ours, theirs);
            out.setPixel(x, y, ours);
            out.setPixel(width + x, y, theirs);
            out.setPixel(2 * width + x, y,
                         size > Comparison::TOLERANCE ? 0xFF0000u
                                                      : uint32_t(size * 32) * 0x010101u);
        }
    return out.save(QString::fromStdString(path));
}

} // namespace glcheck

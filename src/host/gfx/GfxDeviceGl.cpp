// The OpenGL 3.3 core device: one shader for stage 0, a sampler object, a framebuffer object.
//
// Sections: shader source and setup; creation; resources; stage 0 and drawing; frames.
#include "host/gfx/GfxDeviceGl.h"

#include "host/gfx/FramePacer.h"
#include "host/gfx/GfxTextureGl.h"
#include "host/gfx/GfxVertex.h"
#include "host/gfx/GfxVertexBufferGl.h"
#include "host/gfx/GlApi.h"
#include "host/gfx/GlReadback.h"
#include "host/gfx/ImageCodec.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <string_view>

namespace quib {

namespace {

// Vertex colours arrive as BGRA bytes (ARGB words) and are normalised by the attribute setup.
// The world matrix is stored row-major for row vectors; uploaded untransposed, GLSL sees its
// transpose, so `world * p` is the row-vector product p * world.
constexpr const char* vertexShaderSource = R"(#version 330 core
layout(location = 0) in vec3 position;
layout(location = 1) in vec4 colour;
layout(location = 2) in vec2 texCoord;
uniform mat4 world;
out vec4 vertexColour;
out vec2 vertexTexCoord;
void main() {
    gl_Position = world * vec4(position, 1.0);
    vertexColour = colour;
    vertexTexCoord = texCoord;
}
)";

// mode 0: no texture, the vertex colour; 1: texture colour, vertex alpha; 2: texture colour
// and alpha.
constexpr const char* fragmentShaderSource = R"(#version 330 core
in vec4 vertexColour;
in vec2 vertexTexCoord;
uniform sampler2D image;
uniform int mode;
out vec4 fragmentColour;
void main() {
    if (mode == 0) {
        fragmentColour = vertexColour;
    } else {
        vec4 t = texture(image, vertexTexCoord);
        fragmentColour = vec4(t.rgb, mode == 1 ? vertexColour.a : t.a);
    }
}
)";

GLuint CompileShader(GLenum type, const char* source, std::string& error) {
    GLuint shader = glCreateShader(type);
    glShaderSource(shader, 1, &source, nullptr);
    glCompileShader(shader);
    GLint ok = GL_FALSE;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
    if (ok != GL_TRUE) {
        char log[1024] = {};
        glGetShaderInfoLog(shader, sizeof log, nullptr, log);
        error = std::string("OpenGL shader does not compile: ") + log;
        glDeleteShader(shader);
        return 0;
    }
    return shader;
}

GLuint LinkProgram(std::string& error) {
    GLuint vertex = CompileShader(GL_VERTEX_SHADER, vertexShaderSource, error);
    if (vertex == 0) {
        return 0;
    }
    GLuint fragment = CompileShader(GL_FRAGMENT_SHADER, fragmentShaderSource, error);
    if (fragment == 0) {
        glDeleteShader(vertex);
        return 0;
    }
    GLuint program = glCreateProgram();
    glAttachShader(program, vertex);
    glAttachShader(program, fragment);
    glLinkProgram(program);
    glDeleteShader(vertex);
    glDeleteShader(fragment);
    GLint ok = GL_FALSE;
    glGetProgramiv(program, GL_LINK_STATUS, &ok);
    if (ok != GL_TRUE) {
        char log[1024] = {};
        glGetProgramInfoLog(program, sizeof log, nullptr, log);
        error = std::string("OpenGL shader program does not link: ") + log;
        glDeleteProgram(program);
        return 0;
    }
    return program;
}

bool HasExtension(std::string_view wanted) {
    GLint count = 0;
    glGetIntegerv(GL_NUM_EXTENSIONS, &count);
    for (GLint i = 0; i < count; ++i) {
        const auto* name = reinterpret_cast<const char*>(glGetStringi(GL_EXTENSIONS, i));
        if (name != nullptr && wanted == name) {
            return true;
        }
    }
    return false;
}

GLint MinFilter(TextureFilter min, TextureFilter mip) {
    const bool linear = min == TextureFilter::Linear || min == TextureFilter::Anisotropic;
    switch (mip) {
    case TextureFilter::None:
        return linear ? GL_LINEAR : GL_NEAREST;
    case TextureFilter::Point:
        return linear ? GL_LINEAR_MIPMAP_NEAREST : GL_NEAREST_MIPMAP_NEAREST;
    case TextureFilter::Linear:
    case TextureFilter::Anisotropic:
        break;
    }
    return linear ? GL_LINEAR_MIPMAP_LINEAR : GL_NEAREST_MIPMAP_LINEAR;
}

} // namespace

struct GfxDeviceGl::State {
    GfxContext* context = nullptr;
    int width = 0;
    int height = 0;
    int maxSize = 0; // of a renderbuffer side
    GLuint program = 0;
    GLint worldLocation = -1;
    GLint modeLocation = -1;
    GLuint vertexArray = 0;
    GLuint sampler = 0;
    GLuint framebuffer = 0;
    GLuint colourBuffer = 0;
    float maxAnisotropy = 1.0f;
    const GfxTextureGl* texture = nullptr;
    AlphaSource alphaSource = AlphaSource::Vertex;
    Matrix4 world = Matrix4::Identity();
    FramePacer pacer;

    ~State() {
        glDeleteRenderbuffers(1, &colourBuffer);
        glDeleteFramebuffers(1, &framebuffer);
        glDeleteSamplers(1, &sampler);
        glDeleteVertexArrays(1, &vertexArray);
        glDeleteProgram(program);
    }
};

// Creation

std::unique_ptr<GfxDeviceGl> GfxDeviceGl::Create(GfxContext& context, int width, int height,
                                                 std::string& error) {
    GLint major = 0;
    GLint minor = 0;
    glGetIntegerv(GL_MAJOR_VERSION, &major);
    glGetIntegerv(GL_MINOR_VERSION, &minor);
    if (major * 10 + minor < 33) {
        error = "OpenGL 3.3 is needed, the context offers " + std::to_string(major) + "." +
                std::to_string(minor) + " (is the context current on this thread?)";
        return nullptr;
    }
    GLint maxSize = 0;
    glGetIntegerv(GL_MAX_RENDERBUFFER_SIZE, &maxSize);
    if (width <= 0 || height <= 0 || width > maxSize || height > maxSize) {
        error = "back buffer of " + std::to_string(width) + "x" + std::to_string(height) +
                " pixels is not possible (at most " + std::to_string(maxSize) + " a side)";
        return nullptr;
    }

    auto state = std::make_unique<State>();
    state->context = &context;
    state->width = width;
    state->height = height;
    state->maxSize = maxSize;
    state->program = LinkProgram(error);
    if (state->program == 0) {
        return nullptr;
    }
    state->worldLocation = glGetUniformLocation(state->program, "world");
    state->modeLocation = glGetUniformLocation(state->program, "mode");
    glUseProgram(state->program);
    glUniform1i(glGetUniformLocation(state->program, "image"), 0);

    glGenVertexArrays(1, &state->vertexArray);
    glBindVertexArray(state->vertexArray);

    glGenRenderbuffers(1, &state->colourBuffer);
    glBindRenderbuffer(GL_RENDERBUFFER, state->colourBuffer);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, width, height);
    glGenFramebuffers(1, &state->framebuffer);
    glBindFramebuffer(GL_FRAMEBUFFER, state->framebuffer);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER,
                              state->colourBuffer);
    if (glCheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) {
        error = "OpenGL cannot render into a framebuffer object of " + std::to_string(width) + "x" +
                std::to_string(height) + " pixels";
        return nullptr;
    }

    // Anisotropic filtering where the hardware does it; a software rasteriser pays for it
    // with half its speed, so there it is trilinear.
    const auto* renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
    const bool software = renderer != nullptr && (std::strstr(renderer, "llvmpipe") != nullptr ||
                                                  std::strstr(renderer, "softpipe") != nullptr);
    if (!software && (HasExtension("GL_EXT_texture_filter_anisotropic") ||
                      HasExtension("GL_ARB_texture_filter_anisotropic"))) {
        glGetFloatv(GL_MAX_TEXTURE_MAX_ANISOTROPY_EXT, &state->maxAnisotropy);
        state->maxAnisotropy = std::clamp(state->maxAnisotropy, 1.0f, 16.0f);
    }
    glGenSamplers(1, &state->sampler);
    glSamplerParameteri(state->sampler, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glSamplerParameteri(state->sampler, GL_TEXTURE_WRAP_T, GL_REPEAT);
    glBindSampler(0, state->sampler);

    // The fixed state: blending source alpha over inverse source alpha; the destination keeps
    // its (opaque) alpha, as a back buffer without an alpha channel would.
    glDisable(GL_CULL_FACE);
    glDisable(GL_DEPTH_TEST);
    glEnable(GL_BLEND);
    glBlendFuncSeparate(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA, GL_ZERO, GL_ONE);
    glViewport(0, 0, width, height);

    std::unique_ptr<GfxDeviceGl> device(new GfxDeviceGl(std::move(state)));
    device->SetSamplerFilters(TextureFilter::Anisotropic, TextureFilter::Anisotropic,
                              TextureFilter::Anisotropic);
    return device;
}

GfxDeviceGl::GfxDeviceGl(std::unique_ptr<State> state) : state(std::move(state)) {}

GfxDeviceGl::~GfxDeviceGl() = default;

// Resources

std::unique_ptr<GfxVertexBuffer> GfxDeviceGl::CreateVertexBuffer(uint32_t bytes) {
    if (bytes == 0) {
        return nullptr;
    }
    return std::make_unique<GfxVertexBufferGl>(bytes);
}

std::unique_ptr<GfxTexture> GfxDeviceGl::CreateTextureFromImage(const void* data, size_t size) {
    DecodedImage image;
    if (!DecodeImage(data, size, image)) {
        return nullptr;
    }
    return CreateTextureFromPixels(image);
}

std::unique_ptr<GfxTexture> GfxDeviceGl::CreateTextureFromPixels(const DecodedImage& image) {
    GLint maxSize = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSize);
    if (image.width <= 0 || image.height <= 0 || image.width > maxSize || image.height > maxSize ||
        image.argb.size() != static_cast<size_t>(image.width) * static_cast<size_t>(image.height)) {
        return nullptr;
    }
    return std::make_unique<GfxTextureGl>(image.width, image.height, TextureUsage::AutoMipmap,
                                          false, image.argb.data(), &state->texture);
}

std::unique_ptr<GfxTexture> GfxDeviceGl::CreateTexture(int width, int height, TextureUsage usage) {
    GLint maxSize = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSize);
    if (width <= 0 || height <= 0 || width > maxSize || height > maxSize) {
        return nullptr;
    }
    return std::make_unique<GfxTextureGl>(width, height, usage, true, nullptr, &state->texture);
}

bool GfxDeviceGl::UpdateTexture(const GfxTexture& staging, GfxTexture& target) {
    const auto& source = static_cast<const GfxTextureGl&>(staging);
    auto& destination = static_cast<GfxTextureGl&>(target);
    if (!source.IsStaging() || destination.IsStaging() || source.Width() != destination.Width() ||
        source.Height() != destination.Height()) {
        return false;
    }
    destination.Upload(source.Memory().data());
    return true;
}

// Stage 0 and drawing

void GfxDeviceGl::SetTexture(const GfxTexture* texture) {
    const auto* gl = static_cast<const GfxTextureGl*>(texture);
    state->texture = gl != nullptr && !gl->IsStaging() ? gl : nullptr;
}

void GfxDeviceGl::SetAlphaSource(AlphaSource source) {
    state->alphaSource = source;
}

void GfxDeviceGl::SetSamplerFilters(TextureFilter min, TextureFilter mag, TextureFilter mip) {
    glSamplerParameteri(state->sampler, GL_TEXTURE_MIN_FILTER, MinFilter(min, mip));
    const bool linearMag = mag == TextureFilter::Linear || mag == TextureFilter::Anisotropic;
    glSamplerParameteri(state->sampler, GL_TEXTURE_MAG_FILTER, linearMag ? GL_LINEAR : GL_NEAREST);
    if (state->maxAnisotropy > 1.0f) {
        glSamplerParameterf(state->sampler, GL_TEXTURE_MAX_ANISOTROPY_EXT,
                            min == TextureFilter::Anisotropic ? state->maxAnisotropy : 1.0f);
    }
}

void GfxDeviceGl::SetWorldTransform(const Matrix4& world) {
    state->world = world;
}

void GfxDeviceGl::Draw(const GfxVertexBuffer& buffer, VertexFormat format, Primitive primitive,
                       uint32_t startVertex, uint32_t primitiveCount) {
    if (primitiveCount == 0) {
        return;
    }
    const uint64_t stride =
        format == VertexFormat::Textured ? sizeof(TexturedVertex) : sizeof(ColouredVertex);
    const uint64_t count = primitive == Primitive::TriangleFan
                               ? static_cast<uint64_t>(primitiveCount) + 2
                               : static_cast<uint64_t>(primitiveCount) * 3;
    if ((startVertex + count) * stride > buffer.Size()) {
        return;
    }
    const auto& gl = static_cast<const GfxVertexBufferGl&>(buffer);

    glUseProgram(state->program);
    glBindVertexArray(state->vertexArray);
    glBindBuffer(GL_ARRAY_BUFFER, gl.Name());
    const auto gStride = static_cast<GLsizei>(stride);
    glEnableVertexAttribArray(0);
    glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, gStride, nullptr);
    glEnableVertexAttribArray(1);
    glVertexAttribPointer(1, GL_BGRA, GL_UNSIGNED_BYTE, GL_TRUE, gStride,
                          reinterpret_cast<const void*>(offsetof(TexturedVertex, colour)));
    if (format == VertexFormat::Textured) {
        glEnableVertexAttribArray(2);
        glVertexAttribPointer(2, 2, GL_FLOAT, GL_FALSE, gStride,
                              reinterpret_cast<const void*>(offsetof(TexturedVertex, u)));
    } else {
        glDisableVertexAttribArray(2);
    }

    GLint mode = 0;
    if (state->texture != nullptr) {
        mode = state->alphaSource == AlphaSource::Vertex ? 1 : 2;
        glActiveTexture(GL_TEXTURE0);
        state->texture->BindForDrawing();
    }
    glUniform1i(state->modeLocation, mode);
    glUniformMatrix4fv(state->worldLocation, 1, GL_FALSE, &state->world.m[0][0]);
    glDrawArrays(primitive == Primitive::TriangleFan ? GL_TRIANGLE_FAN : GL_TRIANGLES,
                 static_cast<GLint>(startVertex), static_cast<GLsizei>(count));
}

// Frames

void GfxDeviceGl::BeginFrame() {
    FollowClientSize();
    glBindFramebuffer(GL_FRAMEBUFFER, state->framebuffer);
    glViewport(0, 0, state->width, state->height);
}

void GfxDeviceGl::FollowClientSize() {
    int width = 0;
    int height = 0;
    state->context->ClientSize(width, height);
    if (width <= 0 || height <= 0 || width > state->maxSize || height > state->maxSize ||
        (width == state->width && height == state->height)) {
        return;
    }
    glBindRenderbuffer(GL_RENDERBUFFER, state->colourBuffer);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, width, height);
    state->width = width;
    state->height = height;
}

void GfxDeviceGl::Clear() {
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
}

void GfxDeviceGl::EndFrame() {
    glFlush();
}

void GfxDeviceGl::Present() {
    int clientWidth = 0;
    int clientHeight = 0;
    state->context->ClientSize(clientWidth, clientHeight);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, state->framebuffer);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, state->context->PresentFramebuffer());
    if (clientWidth > 0 && clientHeight > 0) {
        // Unscaled, both filters copy the pixels exactly; nearest lets a driver copy the memory
        // (a software rasteriser otherwise compiles and runs a filtering shader).
        const bool unscaled = clientWidth == state->width && clientHeight == state->height;
        glBlitFramebuffer(0, 0, state->width, state->height, 0, 0, clientWidth, clientHeight,
                          GL_COLOR_BUFFER_BIT, unscaled ? GL_NEAREST : GL_LINEAR);
    }
    state->context->SwapBuffers();
    glBindFramebuffer(GL_FRAMEBUFFER, state->framebuffer);
    if (!state->context->HasVsync()) {
        state->pacer.Wait(state->context->RefreshRate());
    }
}

int GfxDeviceGl::BackBufferWidth() const {
    return state->width;
}

int GfxDeviceGl::BackBufferHeight() const {
    return state->height;
}

bool GfxDeviceGl::ReadBackBuffer(std::vector<uint32_t>& argb) {
    return ReadFramebufferArgb(state->framebuffer, state->width, state->height, argb);
}

} // namespace quib

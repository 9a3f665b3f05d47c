// A loop of images, listed in a text file of the archive, played at a fixed frame duration.
#include "effects/AnimationEffect.h"

#include "description/DescriptionModel.h"
#include "vfs/Archive.h"
#include "vfs/ArchiveEntryData.h"
#include "vfs/Stream.h"
#include "vfs/StreamHelpers.h"

namespace quib {

AnimationEffect::AnimationEffect(GfxDevice* device, EffectHost* host)
    : Effect(device, host), quad(device->CreateVertexBuffer(kQuadBytes)) {}

AnimationEffect::~AnimationEffect() = default;

size_t AnimationEffect::FrameAt(int32_t elapsed) const {
    if (frameDuration <= 0 || elapsed < 0) {
        return 0;
    }
    return static_cast<size_t>(elapsed / frameDuration) % frames.size();
}

void AnimationEffect::Draw(int32_t elapsed, int32_t remaining, int32_t) {
    if (frames.empty() || !quad) {
        return;
    }
    WriteQuad(*quad, FadeColour(elapsed, remaining, fadeIn, fadeOut), 0.0f, 0.0f, 1.0f, 1.0f);
    DrawQuad(*quad, *frames[FrameAt(elapsed)], AlphaSource::Vertex);
}

void AnimationEffect::ReleaseResources() {
    frames.clear();
    quad.reset();
}

void AnimationEffect::LoadFrames(Archive& archive) {
    frames.clear();
    const std::unique_ptr<Stream, StreamCloser> list(
        archive.openEntry(archive.entryAt(FindEntry(archive, listName.c_str()))));
    if (list == nullptr) {
        return;
    }
    char line[ReadLineBufferSize];
    std::vector<uint8_t> bytes;
    for (;;) {
        const int32_t result = ReadLine(*list, line);
        // A read that brings nothing ends the list, also when the entry's data is shorter
        // than its header claims and the stream does not report its end.
        if (result == ReadLineAtEnd || (result == ReadLineNoTerminator && line[0] == 0)) {
            break;
        }
        if (line[0] == 0 || ReadArchiveEntry(archive, line, bytes) != EntryRead::Ok) {
            continue;
        }
        if (auto frame = device->CreateTextureFromImage(bytes.data(), bytes.size())) {
            frames.push_back(std::move(frame));
        }
    }
}

void AnimationEffect::Load(TextureStore& textures, DescriptionReader& reader, Archive& archive) {
    Effect::Load(textures, reader, archive);
    AnimationEffectBlock block;
    ReadOwnFields(reader, block);
    listName = std::move(block.listName);
    frameDuration = block.frameDuration;
    LoadFrames(archive);
    Rebuild();
}

} // namespace quib

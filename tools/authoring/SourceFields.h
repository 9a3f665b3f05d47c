// The fields of each effect block as the disk source names them, in file order: one list per
// block level, run by the compiler (reading TOML into records) and by the dump writer (writing
// records as TOML), so the two cannot disagree about a key or a value kind.
#pragma once

#include "SourceValues.h"
#include "description/DescriptionModel.h"

#include <concepts>
#include <type_traits>

namespace quib {

// How a field may be left out of the source. Quiet fields are written back only when they
// differ from 1, their default (they hold floats that the player reads and ignores).
enum class Presence { Optional, Required, Quiet };

namespace source_fields {

template <class B, class T>
concept Level = std::same_as<std::remove_const_t<B>, T>;

template <class Io, Level<EffectHead> B>
void Fields(Io& io, B& b) {
    io.Float("x", b.x);
    io.Float("y", b.y);
    io.Float("width", b.width);
    io.Float("height", b.height);
    io.Time("fadeIn", b.fadeIn);
    io.Time("fadeOut", b.fadeOut);
}

template <class Io, Level<ImageEffectBlock> B>
void Fields(Io& io, B& b) {
    io.Texture("texture", b.texture, Presence::Required);
    io.Float("u", b.u);
    io.Float("v", b.v);
    io.Float("spanU", b.discardedSpanU, Presence::Quiet);
    io.Float("spanV", b.discardedSpanV, Presence::Quiet);
}

template <class Io, Level<ToggledImageEffectBlock> B>
void Fields(Io& io, B& b) {
    io.EventFlag("eventFlag", b.eventFlag);
}

template <class Io, Level<ButtonLook> B>
void Fields(Io& io, B& b) {
    io.Texture("texture", b.texture, Presence::Required);
    io.Float("stateU", b.stateU);
    io.Float("stateV", b.stateV);
    io.Float("stateSpanU", b.discardedSpanU, Presence::Quiet);
    io.Float("stateSpanV", b.discardedSpanV, Presence::Quiet);
}

template <class Io, Level<ButtonEffectBlock> B>
void Fields(Io& io, B& b) {
    static constexpr const char* kLooks[] = {"normal", "hover", "pressed"};
    for (int i = 0; i < 3; ++i) {
        io.Nested(kLooks[i], b.looks[i], i == 0 ? Presence::Required : Presence::Optional,
                  [](Io& look, auto& record) { Fields(look, record); });
    }
    io.Command("command", b.command, Presence::Required);
    io.CommandArgument("commandArgument", b.commandArgument, b.command);
}

template <class Io, Level<SliderBarEffectBlock> B>
void Fields(Io& io, B& b) {
    io.Texture("texture", b.texture, Presence::Required);
    io.Int("knobAspectWidth", b.knobAspectWidth);
    io.Int("knobAspectHeight", b.knobAspectHeight);
    io.Command("command", b.command);
    io.Float("knobSpanU", b.knobSpanU);
    io.Float("knobSpanV", b.knobSpanV);
}

template <class Io, Level<SongNameEffectBlock> B>
void Fields(Io& io, B& b) {
    io.Text("fontFace", b.fontFace);
    io.Switch("bold", b.bold);
    io.Switch("italic", b.italic);
    io.Switch("strikeOut", b.strikeOut);
    io.Switch("underline", b.underline);
    io.Int("scrollSpeed", b.scrollSpeed);
    io.Colour("bottomColour", b.bottomColour);
    io.Colour("topColour", b.topColour);
}

template <class Io, Level<AnimationEffectBlock> B>
void Fields(Io& io, B& b) {
    io.Text("listName", b.listName, Presence::Required);
    io.Time("frameDuration", b.frameDuration);
}

template <class Io, Level<VerticalScrollerEffectBlock> B>
void Fields(Io& io, B& b) {
    io.Text("text", b.text, Presence::Required);
    io.Text("fontFace", b.fontFace);
    io.Int("fontHeight", b.fontHeight);
    io.Switch("bold", b.bold);
    io.Switch("italic", b.italic);
    io.Switch("strikeOut", b.strikeOut);
    io.Switch("underline", b.underline);
    io.Colour("textColour", b.textColour, Alpha::Ignored);
    io.Flags("textFormat", b.textFormat, TextFormatNames());
    io.Int("scrollSpeed", b.scrollSpeed);
    io.EventFlag("eventFlag", b.eventFlag);
}

template <class Io, Level<VisualizerHead> B>
void Fields(Io& io, B& b) {
    io.Int("beatBandCount", b.beatBandCount);
    io.Int("bandCount", b.bandCount);
    io.Float("bandFactor", b.bandFactor);
    io.Switch("linearBands", b.linearBands);
    io.Switch("normalise", b.normalise);
    io.Float("clipLevel", b.clipLevel);
}

template <class Io, Level<VerticalEQBarsVisualizerBlock> B>
void Fields(Io& io, B& b) {
    io.Float("decaySeconds", b.decaySeconds);
    io.Colour("colourLeft", b.colourLeft);
    io.Colour("colourCentre", b.colourCentre);
    io.Colour("colourRight", b.colourRight);
    io.Float("barWidth", b.barWidth);
}

template <class Io, Level<BouncingEQVisualizerBlock> B>
void Fields(Io& io, B& b) {
    io.Float("decaySeconds", b.decaySeconds);
    io.Colour("bottomColour", b.bottomColour);
    io.Colour("topColour", b.topColour);
    io.Float("barGap", b.barGap);
}

template <class Io, Level<PlasmaVisualizerBlock> B>
void Fields(Io& io, B& b) {
    io.Int("columns", b.columns);
    io.Int("rows", b.rows);
}

template <class Io, Level<BeatFlowerVisualizerBlock> B>
void Fields(Io& io, B& b) {
    io.Colours("layerColours", b.layerColours);
    io.Floats("normalSpeeds", b.normalSpeeds);
    io.Floats("beatSpeeds", b.beatSpeeds);
    io.Floats("alphaOffsets", b.alphaOffsets);
    io.Floats("alphaScales", b.alphaScales);
}

} // namespace source_fields

// Runs the field lists of every level of a block, from the common head down to the class.
template <class Io, class Block>
void SourceFields(Io& io, Block& block) {
    using Plain = std::remove_const_t<Block>;
    using source_fields::Fields;
    Fields(io,
           static_cast<std::conditional_t<std::is_const_v<Block>, const EffectHead&, EffectHead&>>(
               block));
    if constexpr (std::is_base_of_v<VisualizerHead, Plain>) {
        Fields(io, static_cast<std::conditional_t<std::is_const_v<Block>, const VisualizerHead&,
                                                  VisualizerHead&>>(block));
    }
    if constexpr (std::is_same_v<Plain, ToggledImageEffectBlock>) {
        Fields(io, static_cast<std::conditional_t<std::is_const_v<Block>, const ImageEffectBlock&,
                                                  ImageEffectBlock&>>(block));
    }
    Fields(io, block);
}

} // namespace quib

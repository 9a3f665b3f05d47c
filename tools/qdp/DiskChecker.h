// Finds what in a disk would fail or silently draw nothing when the player loads it: songs
// that do not decode, images that do not (and the texture indices they shift), indices past
// the end, rectangles off screen, unmatched event flags, divisions by zero, font faces this
// machine lacks, scroller lines cut off at the box and the like.
#pragma once

#include "description/DescriptionModel.h"
#include "host/text/TextRenderer.h"

#include <optional>
#include <string>
#include <vector>

namespace quib {

class ZipArchive;

struct CheckFinding {
    enum class Severity { Warning, Error };
    Severity severity;
    std::string where; // "page 2 (song 0), group 1, effect 3 (ButtonEffect)", or a file
    std::string message;
};

class DiskChecker {
public:
    // archive: the disk's archive, or null for a bare description (then images and animation
    // lists are not looked at). musicFolder: where the songs are, ending in '/'.
    DiskChecker(const DescriptionModel& model, ZipArchive* archive, std::string musicFolder);

    std::vector<CheckFinding> Run();

private:
    void CheckWindowSize();
    void CheckSongs();
    void CheckTextures();
    void CheckPages();
    void CheckEffect(const EffectRecord& effect, const std::string& where);
    void CheckTexture(int32_t index, const std::string& where, const char* what, bool fallback);
    void CheckCommand(int32_t command, std::optional<int32_t> argument, const std::string& where);
    void CheckBands(const VisualizerHead& head, const std::string& where);
    void CheckAnimation(const AnimationEffectBlock& block, const std::string& where);
    void CheckFontFace(const std::string& face, uint8_t bold, uint8_t italic,
                       const std::string& where);
    void CheckScrollerFits(const VerticalScrollerEffectBlock& block, const std::string& where);
    void CheckEventFlags();
    bool Decodes(const std::string& entry, std::string& problem);

    void Error(std::string where, std::string message);
    void Warning(std::string where, std::string message);

    const DescriptionModel& model_;
    ZipArchive* archive_;
    std::string musicFolder_;
    int32_t loadedTextures_ = 0;
    // Event flag number to the places that raise it and that wait on it.
    std::vector<std::pair<int32_t, std::string>> raised_;
    // An effect waiting on a flag, with the page it lies on.
    struct Waiter {
        int32_t flag;
        std::string where;
        size_t page;
    };
    std::vector<Waiter> awaited_;
    size_t page_ = 0; // the page being checked
    std::vector<CheckFinding> findings_;
    TextRenderer text_; // the fonts this machine draws titles and scrollers with
};

} // namespace quib

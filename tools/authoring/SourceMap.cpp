// Places in a description and where the source wrote them.
#include "SourceMap.h"

namespace quib {

DescriptionPlace DescriptionPlace::Group(size_t n) const {
    DescriptionPlace place = *this;
    place.group = static_cast<int32_t>(n);
    return place;
}

DescriptionPlace DescriptionPlace::Interval(size_t n) const {
    DescriptionPlace place = *this;
    place.interval = static_cast<int32_t>(n);
    return place;
}

DescriptionPlace DescriptionPlace::Effect(size_t n) const {
    DescriptionPlace place = *this;
    place.effect = static_cast<int32_t>(n);
    return place;
}

DescriptionPlace DescriptionPlace::Field(std::string key) const {
    DescriptionPlace place = *this;
    place.field = std::move(key);
    return place;
}

void SourceMap::Note(const DescriptionPlace& place, SourcePosition position) {
    positions_.emplace(place, position);
}

SourcePosition SourceMap::Find(DescriptionPlace place) const {
    for (;;) {
        if (const auto found = positions_.find(place); found != positions_.end()) {
            return found->second;
        }
        if (!place.field.empty()) {
            place.field.clear();
        } else if (place.effect >= 0 || place.interval >= 0) {
            place.effect = place.interval = -1;
        } else if (place.group >= 0) {
            place.group = -1;
        } else if (place.kind != DescriptionPlace::Kind::Disk) {
            place = {};
        } else {
            return {};
        }
    }
}

} // namespace quib

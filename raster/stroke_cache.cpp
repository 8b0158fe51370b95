#include "raster/stroke_cache.h"

#include <cstring>

namespace zorva {
namespace {

// At most this many strokes keep their runs: enough for the curve's samples
// and the narrow arrows of a tick.
constexpr std::size_t kMostRememberedStrokes = 512;

}  // namespace

std::size_t StrokeCache::KeyHash::operator()(const StrokeKey& key) const {
    // The bits of the coordinates, mixed: std::hash<double> hashes bytes one
    // by one, and a tick looks up some two hundred strokes.
    std::uint64_t hash = 0;
    for (const double value : {key.x0, key.y0, key.x1, key.y1, key.radius, key.dashOffset}) {
        // The value's bits, as std::bit_cast gives them; not every standard
        // library the pixel engine is built with has it yet.
        std::uint64_t bits = 0;
        std::memcpy(&bits, &value, sizeof bits);
        hash = (hash ^ bits) * 0x9E3779B97F4A7C15ULL;
        hash ^= hash >> 29;
    }
    return static_cast<std::size_t>(hash);
}

void StrokeCache::forgetRuns() {
    runs_.clear();
    last_ = nullptr;
}

void StrokeCache::forget() {
    forgetRuns();
    seen_.fill(0);
}

void StrokeCache::paint(const PixelRows& rows, const StrokeKey& key, StrokeShape shape,
                        std::span<const double> pattern, std::uint32_t colour) {
    // The stroke drawn after the last one the time before is asked for
    // without hashing its key: the curve's segments, the axes and the legend
    // come in the same order at every tick.
    Entry* entry = nullptr;
    Entry* const expected = last_ != nullptr ? last_->second.next : nullptr;
    if (expected != nullptr && expected->first == key) {
        entry = expected;
    } else if (const auto found = runs_.find(key); found != runs_.end()) {
        entry = &*found;
    } else {
        // Only a stroke seen before is likely to come again: the arrows move
        // at every tick, and keeping their runs would cost more than painting
        // them.
        const std::size_t hash = KeyHash{}(key);
        std::size_t& seen = seen_[hash % seen_.size()];
        if (seen != hash) {
            seen = hash;
            switch (shape) {
                case StrokeShape::DashedThinLine:
                    FillDashedThinLine(rows, key.x0, key.y0, key.x1, key.y1, pattern,
                                       key.dashOffset, colour);
                    break;
                case StrokeShape::ThinLine:
                    FillThinLine(rows, key.x0, key.y0, key.x1, key.y1, colour);
                    break;
                case StrokeShape::Capsule:
                    FillCapsule(rows, key.x0, key.y0, key.x1, key.y1, key.radius, colour);
                    break;
            }
            return;
        }
        if (runs_.size() >= kMostRememberedStrokes) {
            forgetRuns();
        }
        entry = &*runs_.emplace(key, Remembered{}).first;
        std::vector<PixelRun>& runs = entry->second.runs;
        switch (shape) {
            case StrokeShape::DashedThinLine:
                DashedThinLineRuns(rows, key.x0, key.y0, key.x1, key.y1, pattern, key.dashOffset,
                                   runs);
                break;
            case StrokeShape::ThinLine:
                ThinLineRuns(rows, key.x0, key.y0, key.x1, key.y1, runs);
                break;
            case StrokeShape::Capsule:
                CapsuleRuns(rows, key.x0, key.y0, key.x1, key.y1, key.radius, runs);
                break;
        }
    }
    if (last_ != nullptr) {
        last_->second.next = entry;
    }
    last_ = entry;
    Remembered& stroke = entry->second;
    if (rows.ink == nullptr || colour == rows.ink->background()) {
        FillRuns(rows, stroke.runs, colour);
        return;
    }
    if (!stroke.prepared.fits(rows)) {
        stroke.prepared.prepare(rows, stroke.runs);
    }
    stroke.prepared.paint(rows, colour);
}

}  // namespace zorva

#pragma once
// The two user choices the removal logic reads while a run lasts. The main
// dialog supplies them, read live from its controls.
#include <cstdint>

namespace marsitel {

// The level selector's range. Its top position stands for all levels,
// however deep the assembly.
inline constexpr std::int16_t kLowestLevel = 1;
inline constexpr std::int16_t kAllLevels = 10;

class RunOptions {
public:
    virtual ~RunOptions() = default;
    // kLowestLevel to kAllLevels. Read once, at the start of a run.
    virtual std::int16_t Level() const = 0;
    // Read once for each occurrence, at the moment of the grounding decision.
    virtual bool GroundAll() const = 0;
};

}  // namespace marsitel

#pragma once
// The two user choices the removal logic reads while a run lasts. The main
// dialog supplies them, read live from its controls.
#include <cstdint>

namespace marsitel {

class RunOptions {
public:
    virtual ~RunOptions() = default;
    // 1 to 10; 10 stands for all levels. Read once, at the start of a run.
    virtual std::int16_t Level() const = 0;
    // Read once for each occurrence, at the moment of the grounding decision.
    virtual bool GroundAll() const = 0;
};

}  // namespace marsitel

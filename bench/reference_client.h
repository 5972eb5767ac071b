#pragma once
// The yardstick for our run: the same host calls in the same order, made the
// straightforward way a late-bound automation client makes them. Every
// object result is converted to its interface, "Delete" is looked up by name
// for every relation, and the relations enumerator is read one element per
// Next call, each relation deleted as it is yielded (safe only on a snapshot
// enumerator). Never part of the program.
#include <cstdint>

#include "core/progress_display.h"

namespace marsitel::bench {

// One complete run through all levels below `levels` (1000 for all), with or
// without grounding. Returns false when the host was not ready (nothing is
// changed then). Throws std::runtime_error when a host call fails.
bool RunReferenceRemoval(std::int16_t levels, bool ground, ProgressDisplay& progress);

}  // namespace marsitel::bench

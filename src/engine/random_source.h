#pragma once

namespace quorvane {

// A draw uniform in [0, 1) in single precision, from a generator reseeded from
// the high-resolution clock at every draw.
float clockSeededRandom();

} // namespace quorvane

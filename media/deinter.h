#pragma once
// DeinterlaceBitmap: removes the combing of a moving picture in place, touching only the pixels
// where the two fields disagree. Rows count from the picture's top whatever its order in memory:
// the caller gives the top row and the signed step from one row to the next below it.
//
// Pixels are blue, green, red bytes. On every odd row y below the last: a pixel is marked when it
// differs from both vertical neighbours in the same direction,
//   m = 3 (a.r - c.r)(b.r - c.r) + 6 (a.g - c.g)(b.g - c.g) + (a.b - c.b)(b.b - c.b) > 3000
// (a above, c the pixel, b below); a marked pixel with a marked horizontal neighbour becomes the
// byte-wise mean of a and b, truncated. Even rows, the last row and lone marks stay.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace media {

// `scratch` holds one row of marks; it grows to `width` bytes on the first call and is reused.
void DeinterlaceBitmap(uint8_t* topRow, ptrdiff_t rowStep, int width, int height, std::vector<uint8_t>& scratch);

} // namespace media

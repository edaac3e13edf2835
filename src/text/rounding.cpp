#include "text/rounding.h"

#include <cfenv>
#include <cmath>
#include <cstdint>

double RoundToPlaces(int places, double value)
{
    // Past 18 places the scale no longer fits a 64-bit integer, and a double
    // has no digits that far below its leading one worth rounding.
    if (places > 18)
        return value;
    std::int64_t scale = 1;
    for (int i = 0; i < places; ++i)
        scale *= 10;
    // long double carries a 64-bit mantissa on x86-64, so value × 10 or
    // value × 100 is exact and the tie decision sees the stored value.
    const long double product = static_cast<long double>(value) * static_cast<long double>(scale);
    if (!(std::fabs(product) < 9.0e18L)) // NaN, infinity or beyond a 64-bit integer
        return value;
    const long double rounded = std::nearbyintl(product); // default mode: ties to even
    const auto whole = static_cast<std::int64_t>(rounded);
    return static_cast<double>(static_cast<long double>(whole) / static_cast<long double>(scale));
}

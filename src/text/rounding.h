#pragma once

// Rounds value to `places` decimals: the value is scaled in extended
// precision and rounded to nearest, ties to even, on its exact stored value.
double RoundToPlaces(int places, double value);

// The floor picture: basket-weave parquet. Square blocks alternate between vertical and
// horizontal strips of wood, each strip with its own grain and tone, parted by thin dark gaps.
#pragma once

#include "Canvas.h"

// The canvas must be a multiple of 256 pixels on each side (two blocks of 128), so that the
// weave repeats across its edges.
void PaintParquet(Canvas& canvas);

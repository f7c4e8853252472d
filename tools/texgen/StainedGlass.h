// The glass picture the spot lights project: a round stained-glass window. Bright, saturated
// cells laid out in rings around a golden centre, parted by dark lead lines, inside a lead
// circle and frame; the four corners hold blue and turquoise cells.
#pragma once

#include "Canvas.h"

void PaintStainedGlass(Canvas& canvas);

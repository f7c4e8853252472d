// The glass picture the spot lights project: stained glass with two round windows per
// repeat, one in the middle and one centred on the corners, so that the pane (which shows the
// picture shifted by half a repeat) also has a whole window in its middle. Bright, saturated
// cells parted by dark lead lines; the pattern repeats across its edges without a seam.
#pragma once

#include "Canvas.h"

// The canvas must be square.
void PaintStainedGlass(Canvas& canvas);

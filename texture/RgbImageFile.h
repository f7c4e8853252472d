// LoadRgbImage(fileName): the SGI RGB reader applied to a file, with its messages. Failures
// are shown at once in a message box captioned "Error", owned by the window with the keyboard
// focus, with an OK button and no icon.
#pragma once

#include <memory>

#include "texture/RgbReader.h"

// The image, or null after a message has been shown.
std::unique_ptr<RgbImage> LoadRgbImage(const char* fileName);

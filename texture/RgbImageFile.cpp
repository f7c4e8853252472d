// Opens the file, runs the pure reader over it and turns its status into the reader's texts.
// Texts are composed as std::string, so a file name of any length fits.
#include "texture/RgbImageFile.h"

#include <string>

#include "platform/Platform.h"
#include "texture/FileByteSource.h"

namespace {

void ShowRgbMessage(const std::string& text)
{
    platform::ShowMessageBox(platform::GetFocusWindow(), text.c_str(), "Error", platform::kOk);
}

}  // namespace

std::unique_ptr<RgbImage> LoadRgbImage(const char* fileName)
{
    FileByteSource file(fileName);
    if (!file.IsOpen()) {
        ShowRgbMessage("Failed to open image file " + std::string(fileName ? fileName : "") +
                       ".\n");
        return nullptr;
    }
    RgbStatus status = RgbStatus::kOk;
    std::unique_ptr<RgbImage> image = LoadRgbImage(file, &status);
    if (!image)
        ShowRgbMessage(status == RgbStatus::kOutOfMemory ? "Out of memory."
                                                         : "Invalid rgb file.");
    return image;
}

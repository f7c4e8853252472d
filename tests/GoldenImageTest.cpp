// A few whole frames compared with committed pictures, behind the property tests: the default
// scene at its first frame and after 120 steps, the two other shapes, and shadows off (the
// cases are in GoldenCases.h).
// llvmpipe is deterministic for one Mesa version; after a Mesa upgrade, look at the new
// frames and regenerate them deliberately (CORVANE_UPDATE_GOLDEN=1), never loosen the check.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <ostream>
#include <string>
#include <vector>

#include "GoldenCases.h"
#include "app/Application.h"
#include "platform/offscreen/Offscreen.h"
#include "scene/Scene.h"
#include "tools/png/PngFile.h"

// Beside GoldenCase's namespace, where GoogleTest looks for it.
void PrintTo(const GoldenCase& golden, std::ostream* out) { *out << golden.name; }

namespace {

namespace offscreen = platform::offscreen;

class GoldenImageTest : public testing::TestWithParam<GoldenCase> {};

// Runs the application for the case's frames and returns the last one.
std::vector<uint8_t> RenderCase(const GoldenCase& golden, int* width, int* height)
{
    light2Time = 0.0f;  // process-wide: as at program start, whichever case ran before
    offscreen::Config config;
    config.clientWidth = kGoldenWidth;
    config.clientHeight = kGoldenHeight;
    config.idleFrameLimit = golden.frames;
    offscreen::Configure(config);
    for (unsigned id : golden.commands)
        offscreen::ScheduleCommand(0, id);
    std::vector<uint8_t> picture;
    offscreen::SetBeforeSwapHook([&](int frame) {
        if (frame == golden.frames - 1)
            picture = offscreen::ReadBackBufferRgb(width, height);
    });
    EXPECT_EQ(CorvaneMain(&kCorvaneModule), 0);
    offscreen::Teardown();
    return picture;
}

TEST_P(GoldenImageTest, FrameMatchesThePicture)
{
    ASSERT_EQ(chdir(CORVANE_ASSETS_DIR), 0);
    const GoldenCase& golden = GetParam();
    int width = 0, height = 0;
    const std::vector<uint8_t> actual = RenderCase(golden, &width, &height);
    ASSERT_FALSE(actual.empty());

    const std::string path = std::string(CORVANE_GOLDEN_DIR) + "/" + golden.name + ".png";
    if (const char* update = std::getenv("CORVANE_UPDATE_GOLDEN"); update && *update == '1') {
        ASSERT_TRUE(WritePng(path, width, height, actual));
        GTEST_SKIP() << "wrote " << path;
    }
    int goldenWidth = 0, goldenHeight = 0;
    std::vector<uint8_t> expected;
    ASSERT_TRUE(ReadPng(path, &goldenWidth, &goldenHeight, &expected)) << path;
    ASSERT_EQ(goldenWidth, width);
    ASSERT_EQ(goldenHeight, height);

    // Per channel within 2 levels; a handful of edge pixels (0.1%) may differ more.
    int outliers = 0;
    for (size_t i = 0; i < actual.size(); i += 3) {
        bool close = true;
        for (size_t c = 0; c < 3; ++c)
            close = close && std::abs(int(actual[i + c]) - int(expected[i + c])) <= 2;
        outliers += close ? 0 : 1;
    }
    const int allowed = width * height / 1000;
    if (outliers > allowed) {
        const std::string saved = testing::TempDir() + golden.name + "-actual.png";
        WritePng(saved, width, height, actual);
        FAIL() << outliers << " pixels differ from " << path << " (at most " << allowed
               << " may); this frame is in " << saved;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Frames, GoldenImageTest,
    testing::ValuesIn(kGoldenCases),
    [](const testing::TestParamInfo<GoldenCase>& info) {
        std::string name = info.param.name;
        for (char& c : name)
            c = c == '-' ? '_' : c;
        return name;
    });

}  // namespace

// Runs the real Application on the offscreen backend with the generated textures and reads
// its frames back, for tests that check what the rendered picture shows.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <GL/gl.h>

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

#include "app/Application.h"
#include "app/Resources.h"
#include "platform/offscreen/Offscreen.h"
#include "scene/Scene.h"

namespace corvane::test {

struct Image {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgb;  // top row first

    const uint8_t* At(int x, int y) const { return &rgb[(size_t(y) * size_t(width) + size_t(x)) * 3]; }
    int Luma(int x, int y) const
    {
        const uint8_t* p = At(x, y);
        return (p[0] * 299 + p[1] * 587 + p[2] * 114) / 1000;
    }
    bool operator==(const Image& other) const
    {
        return width == other.width && height == other.height && rgb == other.rgb;
    }
};

class SceneTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(chdir(CORVANE_ASSETS_DIR), 0) << "the tests read the generated textures";
    }

    void TearDown() override
    {
        if (app) {
            app->Shutdown();
            app.reset();
        }
        platform::offscreen::Teardown();
    }

    void Start(platform::offscreen::Config config = {})
    {
        config.stepMs = 16;
        platform::offscreen::Configure(config);
        app = std::make_unique<Application>(&kCorvaneModule);
        ASSERT_TRUE(app->Initialize());
        ASSERT_TRUE(platform::offscreen::MessageBoxes().empty())
            << platform::offscreen::MessageBoxes()[0].text;
    }

    Scene& SceneOf() { return *app->scene; }

    // Runs idle frames 16 ms apart, as the loop would.
    void Step(int frames)
    {
        for (int i = 0; i < frames; ++i) {
            platform::offscreen::AdvanceTime(16);
            app->IdleFrame();
        }
    }

    // Draws the current state again without animating, and reads it back.
    Image Draw()
    {
        app->DrawFrame();
        Image image;
        image.rgb = platform::offscreen::ReadBackBufferRgb(&image.width, &image.height);
        return image;
    }

    std::unique_ptr<Application> app;
};

}  // namespace corvane::test

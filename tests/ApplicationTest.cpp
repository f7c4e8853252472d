// The application shell on the offscreen backend: start-up branches, frame timing, the
// frame-rate title, commands with their check marks and greying, and the ways out.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "app/Application.h"
#include "app/Globals.h"
#include "app/Resources.h"
#include "objects/CShape.h"
#include "platform/offscreen/Offscreen.h"
#include "scene/Scene.h"
#include "tools/snapshot/SnapshotOptions.h"

namespace {

namespace offscreen = platform::offscreen;

const char kQuestion[] =
    "This Demo is optimized for 32 bits colors. \nDo you want to run it in the current "
    "display mode anyway? \n(It may be very slow.)";

int CountBoxes(const char* caption)
{
    int count = 0;
    for (const auto& box : offscreen::MessageBoxes())
        count += box.caption == caption ? 1 : 0;
    return count;
}

class ApplicationTest : public testing::Test {
protected:
    void TearDown() override
    {
        if (app) {
            app->Shutdown();
            app.reset();
        }
        offscreen::Teardown();
    }

    // Configures the backend and starts a fresh application; the caller checks the result.
    bool Start(offscreen::Config config = {})
    {
        offscreen::Configure(config);
        app = std::make_unique<Application>(&kCorvaneModule);
        return app->Initialize();
    }

    platform::Menu* Menu() { return platform::GetWindowMenu(app->window); }

    std::unique_ptr<Application> app;
};

TEST_F(ApplicationTest, StartsWithTitleProjectionAndMenuMarks)
{
    ASSERT_TRUE(Start());
    EXPECT_EQ(g_application, app.get());
    EXPECT_STREQ(platform::GetWindowTitle(app->window), "Corvane");
    EXPECT_EQ(app->clientWidth, 640);
    EXPECT_EQ(app->clientHeight, 480);
    EXPECT_EQ(g_stencilBits, 8);
    EXPECT_EQ(CountBoxes("Warning"), 0) << "32 colour bits never ask";

    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2], 640);
    EXPECT_EQ(viewport[3], 480);
    GLfloat projection[16];
    glGetFloatv(GL_PROJECTION_MATRIX, projection);
    const float f = 1.0f / std::tan(15.0f * 3.14159265f / 180.0f);  // 30 degree field of view
    EXPECT_NEAR(projection[5], f, 1e-4);
    EXPECT_NEAR(projection[0], f / (640.0f / 480.0f), 1e-4);
    GLint depthFunc = 0;
    glGetIntegerv(GL_DEPTH_FUNC, &depthFunc);
    EXPECT_EQ(depthFunc, GL_LEQUAL);
    EXPECT_TRUE(glIsEnabled(GL_CULL_FACE));
    EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
    EXPECT_FALSE(glIsEnabled(GL_LIGHT0));

    platform::Menu* menu = Menu();
    EXPECT_FALSE(platform::IsMenuItemChecked(menu, kCommandPause));
    EXPECT_FALSE(platform::IsMenuItemEnabled(menu, kCommandSingleStep));
    for (unsigned id = kCommandRotate; id <= kCommandShadow; ++id)
        EXPECT_TRUE(platform::IsMenuItemChecked(menu, id)) << id;
    EXPECT_TRUE(platform::IsMenuItemEnabled(menu, kCommandShadow));
    EXPECT_EQ(app->scene->shadow, 2);

    app->Shutdown();
    EXPECT_EQ(app->scene, nullptr);
    EXPECT_EQ(g_woodTexture, nullptr);
    EXPECT_EQ(g_floorTexture, nullptr);
    EXPECT_EQ(g_glassTexture, nullptr);
}

TEST_F(ApplicationTest, SixteenColourBitsAskFirstAndNoEndsWithMinusOne)
{
    offscreen::Config config;
    config.grantedColorBits = 16;
    config.yesNoAnswer = platform::kAnswerNo;
    try {
        Start(config);
        FAIL() << "answering No must end the process";
    } catch (const offscreen::ExitRequest& request) {
        EXPECT_EQ(request.exitCode, -1);
    }
    ASSERT_EQ(offscreen::MessageBoxes().size(), 1u);
    const auto& box = offscreen::MessageBoxes()[0];
    EXPECT_EQ(box.caption, "Warning");
    EXPECT_EQ(box.text, kQuestion);
    EXPECT_EQ(box.style, unsigned(platform::kIconWarning | platform::kYesNo));
    app.reset();

    config.yesNoAnswer = platform::kAnswerYes;
    ASSERT_TRUE(Start(config));
    EXPECT_EQ(CountBoxes("Warning"), 1);
    EXPECT_NE(app->scene, nullptr);
}

TEST_F(ApplicationTest, StartupFailuresComposeTheSystemTextAndExit)
{
    offscreen::Config config;
    config.failSetPixelFormat = true;
    EXPECT_THROW(
        {
            try {
                Start(config);
            } catch (const offscreen::ExitRequest& request) {
                EXPECT_EQ(request.exitCode, -1);
                throw;
            }
        },
        offscreen::ExitRequest);
    ASSERT_FALSE(offscreen::MessageBoxes().empty());
    EXPECT_EQ(offscreen::MessageBoxes().back().caption, "Error");
    EXPECT_EQ(offscreen::MessageBoxes().back().text,
              "Failed to set pixel format.\n\nInvalid argument");
    app.reset();

    // A code the system has no text for still gets a second text.
    config = {};
    config.failCreateContext = true;
    config.failureErrorCode = 0x1FFFF;
    EXPECT_THROW(Start(config), offscreen::ExitRequest);
    EXPECT_EQ(offscreen::MessageBoxes().back().text,
              "Failed to create OpenGL context.\n\n"
              "The system gave no further details (error code 131071).");
    app.reset();

    config = {};
    config.failRegisterClass = true;
    offscreen::Configure(config);
    EXPECT_EQ(CorvaneMain(&kCorvaneModule), -1);
    EXPECT_EQ(offscreen::MessageBoxes().back().text,
              "Failed to initialize Window.\n\nInvalid argument");
    app.reset();

    // No EGL display: the pixel format fails with that reason, and what was tried is kept.
    config = {};
    config.eglPlatforms = {};
    EXPECT_THROW(Start(config), offscreen::ExitRequest);
    EXPECT_EQ(offscreen::MessageBoxes().back().text,
              "Failed to set pixel format.\n\nNo EGL display is available.");
    EXPECT_EQ(offscreen::DisplayAttempts(), "no platform listed");
    EXPECT_STREQ(offscreen::DisplayPlatformName(), "");
}

// The manual's EXIT STATUS: every start-up failure ends with 255 (exit(-1) as the shell sees
// it), whether the process is ended where it fails or the entry point returns. The missing
// display and the lost X server are the end-to-end checks' (no-display.sh, corvane-window.sh).
TEST_F(ApplicationTest, EveryStartUpFailureEndsWithStatus255)
{
    const std::pair<const char*, void (*)(offscreen::Config&)> cases[] = {
        {"colour question answered No",
         [](offscreen::Config& c) { c.grantedColorBits = 16, c.yesNoAnswer = platform::kAnswerNo; }},
        {"window class", [](offscreen::Config& c) { c.failRegisterClass = true; }},
        {"pixel format", [](offscreen::Config& c) { c.failSetPixelFormat = true; }},
        {"rendering context", [](offscreen::Config& c) { c.failCreateContext = true; }},
        {"no EGL display", [](offscreen::Config& c) { c.eglPlatforms = {}; }},
    };
    for (const auto& [name, fault] : cases) {
        offscreen::Config config;
        config.idleFrameLimit = 1;
        fault(config);
        offscreen::Configure(config);
        int status = 0;
        try {
            status = CorvaneMain(&kCorvaneModule);
        } catch (const offscreen::ExitRequest& request) {
            status = request.exitCode;
        }
        EXPECT_EQ(status & 0xFF, 255) << name << " ended with " << status;
        offscreen::Teardown();
    }
}

// Surfaceless first; the device and the default display each give the same pbuffer, so a
// driver without one of them still renders.
TEST_F(ApplicationTest, EveryEglPlatformGivesTheFrame)
{
    using offscreen::EglPlatform;
    const std::pair<std::vector<EglPlatform>, const char*> cases[] = {
        {offscreen::Config().eglPlatforms, "surfaceless"},
        {{EglPlatform::kDevice}, "device"},
        {{EglPlatform::kDefault}, "default"},
    };
    for (const auto& [platforms, name] : cases) {
        offscreen::Config config;
        config.eglPlatforms = platforms;
        config.idleFrameLimit = 2;
        offscreen::Configure(config);
        uint8_t centre[3] = {};
        offscreen::SetBeforeSwapHook([&](int frame) {
            int width = 0, height = 0;
            if (frame == 1)
                std::copy_n(&offscreen::ReadBackBufferRgb(&width, &height)[
                                (size_t(height / 2) * width + width / 2) * 3], 3, centre);
        });
        EXPECT_EQ(CorvaneMain(&kCorvaneModule), 0) << name;
        EXPECT_STREQ(offscreen::DisplayPlatformName(), name);
        EXPECT_GT(centre[0] + centre[1] + centre[2], 30) << name << ": the shape is drawn";
    }
}

// Like a swap chain: each swap leaves a fence and waits for the one of two swaps earlier,
// so a driver never holds more than two frames; without fences every swap finishes.
TEST_F(ApplicationTest, SwapsKeepAtMostTwoFramesInFlight)
{
    for (bool fences : {true, false}) {
        offscreen::Config config;
        config.idleFrameLimit = 6;
        config.useFenceSync = fences;
        offscreen::Configure(config);
        int swaps = 0;
        offscreen::SetBeforeSwapHook([&](int) {
            const offscreen::SwapSyncCounts sync = offscreen::SwapSync();
            if (fences) {
                EXPECT_EQ(sync.fencesMade, swaps);
                EXPECT_EQ(sync.fencesWaited, std::max(0, swaps - 2)) << "swap " << swaps;
            } else {
                EXPECT_EQ(sync.finishes, swaps);
            }
            ++swaps;
        });
        EXPECT_EQ(CorvaneMain(&kCorvaneModule), 0);
        const offscreen::SwapSyncCounts sync = offscreen::SwapSync();
        EXPECT_GE(swaps, 6);
        EXPECT_EQ(sync.fencesMade, fences ? swaps : 0);
        EXPECT_EQ(sync.fencesWaited, fences ? swaps - 2 : 0);
        EXPECT_EQ(sync.finishes, fences ? 0 : swaps);
    }
}

TEST_F(ApplicationTest, FrameTimeStartsHalvedClampsStallsAndSettles)
{
    ASSERT_TRUE(Start());
    app->Advance();
    EXPECT_FLOAT_EQ(app->frameTime, 0.005f) << "the first step measures 0 ms";

    const float before = app->frameTime;
    offscreen::AdvanceTime(5000);  // a stall counts as 50 ms
    app->Advance();
    EXPECT_FLOAT_EQ(app->frameTime, 0.025f + 0.5f * before);

    for (int i = 0; i < 40; ++i) {
        offscreen::AdvanceTime(20);
        app->Advance();
    }
    EXPECT_NEAR(app->frameTime, 0.020f, 1e-6);

    // The counter's wrap-around is harmless: steps of 20 ms across it still measure 20 ms.
    offscreen::SetTime(0xFFFFFF00u);
    app->Advance();
    for (int i = 0; i < 40; ++i) {
        offscreen::AdvanceTime(20);
        app->Advance();
    }
    EXPECT_LT(platform::TimeMs(), 0x1000u);
    EXPECT_NEAR(app->frameTime, 0.020f, 1e-6);
}

TEST_F(ApplicationTest, TitleShowsTheRateTwiceASecond)
{
    ASSERT_TRUE(Start());
    // First frame at t0; frames every 100 ms; the update comes with the first frame that is
    // more than 0.5 s after the first one, counting the frames before it.
    for (int frame = 0; frame <= 5; ++frame) {
        app->ShowFrameRate();
        EXPECT_STREQ(platform::GetWindowTitle(app->window), "Corvane") << frame;
        offscreen::AdvanceTime(100);
    }
    app->ShowFrameRate();  // 0.6 s after the first: 6 frames in 0.6 s
    EXPECT_STREQ(platform::GetWindowTitle(app->window), "Corvane (10.0 fps)   ");

    // Across the clock's wrap-around the title keeps updating.
    offscreen::SetTime(0xFFFFFF00u);
    app->ShowFrameRate();
    offscreen::SetTime(0x00000300u);
    app->ShowFrameRate();
    const std::string title = platform::GetWindowTitle(app->window);
    EXPECT_NE(title.find(" fps)   "), std::string::npos);
}

TEST_F(ApplicationTest, SingleStepOnlyWhilePaused)
{
    ASSERT_TRUE(Start());
    app->Advance();
    const float running = app->frameTime;
    offscreen::AdvanceTime(30);
    app->OnCommand(kCommandSingleStep);
    EXPECT_EQ(app->frameTime, running) << "nothing happens while running";
    EXPECT_FALSE(app->paused);

    app->OnCommand(kCommandPause);
    EXPECT_TRUE(app->paused);
    EXPECT_TRUE(platform::IsMenuItemChecked(Menu(), kCommandPause));
    EXPECT_TRUE(platform::IsMenuItemEnabled(Menu(), kCommandSingleStep));
    app->OnCommand(kCommandSingleStep);
    EXPECT_TRUE(app->paused);
    EXPECT_FLOAT_EQ(app->frameTime, 0.015f + 0.5f * running);
}

TEST_F(ApplicationTest, AcceleratorsToggleFlagsAndGreyedItemsSendNothing)
{
    offscreen::Config config;
    config.idleFrameLimit = 3;
    ASSERT_TRUE(Start(config));
    offscreen::ScheduleKeyPress(1, platform::Key::kF2);     // Rotate off
    offscreen::ScheduleKeyPress(1, platform::Key::kF3);     // Shadow 2 -> 0
    offscreen::ScheduleKeyPress(2, platform::Key::kF3);     // Shadow 0 -> 1
    offscreen::ScheduleCommand(2, kCommandLight2Glass);
    app->Run();
    EXPECT_EQ(app->scene->rotate, 0);
    EXPECT_FALSE(platform::IsMenuItemChecked(Menu(), kCommandRotate));
    EXPECT_EQ(app->scene->shadow, 1);
    EXPECT_EQ(app->scene->light2Glass, 0);
    EXPECT_EQ(offscreen::IdleFramesBegun(), 3);

    // Paused behind the menu's back, Single Step is still greyed: Space must send nothing,
    // though the command would now step the animation (light 2 moves).
    app->paused = true;
    ASSERT_FALSE(platform::IsMenuItemEnabled(Menu(), kCommandSingleStep));
    const platform::MessageRecord space{app->window, platform::kMessageKeyDown,
                                        uintptr_t(platform::Key::kSpace), 0};
    const float light2Before = light2Time;
    EXPECT_TRUE(platform::TranslateAppAccelerator(app->window, app->accelerators, space));
    EXPECT_EQ(light2Time, light2Before) << "a greyed Single Step stepped";
    app->UpdateMenu();
    EXPECT_TRUE(platform::TranslateAppAccelerator(app->window, app->accelerators, space));
    EXPECT_NE(light2Time, light2Before) << "Single Step, no longer greyed, steps";
    EXPECT_TRUE(app->paused);
}

// What a user can see change: the scene's flags, the shape, the pause, light 2's clock, the
// idle frames run, and each menu item's check mark and greying.
using Observed = std::map<std::string, double>;

std::string Checked(unsigned id) { return "checked " + std::to_string(id); }
std::string Enabled(unsigned id) { return "enabled " + std::to_string(id); }

Observed Observe(const Application& app)
{
    const Scene& scene = *app.scene;
    Observed seen = {
        {"rotate", scene.rotate},
        {"light1Enabled", scene.light1Enabled},
        {"light1Glass", scene.light1Glass},
        {"light1Moving", scene.light1Moving},
        {"light2Enabled", scene.light2Enabled},
        {"light2Glass", scene.light2Glass},
        {"light2Moving", scene.light2Moving},
        {"shadow", scene.shadow},
        {"shape", scene.shape->shapeIndex},
        {"paused", app.paused},
        {"light2Time", light2Time},
        {"frames", offscreen::IdleFramesBegun()},
    };
    platform::Menu* menu = platform::GetWindowMenu(app.window);
    for (unsigned id = kCommandAbout; id <= kCommandShadow; ++id) {
        seen[Checked(id)] = platform::IsMenuItemChecked(menu, id);
        seen[Enabled(id)] = platform::IsMenuItemEnabled(menu, id);
    }
    return seen;
}

// The twelve keys as the menu shows them, and all that each may change.
struct KeyCase {
    platform::Key key;
    const char* shown;  // the text after the tab in the menu item
    unsigned id;
    std::set<std::string> changes;
};

const KeyCase kKeyCases[] = {
    {platform::Key::kEscape, "Esc", kCommandExit, {"frames", "light2Time"}},  // ends early
    {platform::Key::kPause, "Pause", kCommandPause,
     {"paused", "light2Time", Checked(kCommandPause), Enabled(kCommandSingleStep)}},
    {platform::Key::kSpace, "Space", kCommandSingleStep, {"light2Time"}},  // while paused
    {platform::Key::kF1, "F1", kCommandChangeShape, {"shape"}},
    {platform::Key::kF2, "F2", kCommandRotate, {"rotate", Checked(kCommandRotate)}},
    {platform::Key::kF3, "F3", kCommandShadow, {"shadow", Checked(kCommandShadow)}},
    {platform::Key::kF5, "F5", kCommandLight1Enabled,
     {"light1Enabled", Checked(kCommandLight1Enabled)}},
    {platform::Key::kF6, "F6", kCommandLight1Glass, {"light1Glass", Checked(kCommandLight1Glass)}},
    {platform::Key::kF7, "F7", kCommandLight1Move, {"light1Moving", Checked(kCommandLight1Move)}},
    {platform::Key::kF9, "F9", kCommandLight2Enabled,
     {"light2Enabled", "light2Time", Checked(kCommandLight2Enabled)}},
    {platform::Key::kF10, "F10", kCommandLight2Glass,
     {"light2Glass", Checked(kCommandLight2Glass)}},
    {platform::Key::kF11, "F11", kCommandLight2Move,
     {"light2Moving", "light2Time", Checked(kCommandLight2Move)}},
};

// The menu template's text of item `id`, or null.
const char* MenuText(unsigned id)
{
    const platform::MenuTemplate& menu = kCorvaneModule.menus[0];
    for (size_t i = 0; i < menu.count; ++i)
        if (menu.entries[i].kind == platform::MenuEntry::kItem && menu.entries[i].id == id)
            return menu.entries[i].text;
    return nullptr;
}

// Every accelerator is the key its menu item shows after the tab, and pressing it through the
// scripted keys changes exactly what its item's command changes. The Windows resource script
// expands the same lists.
TEST_F(ApplicationTest, EachKeyIsTheOneItsMenuItemShowsAndDoesOnlyItsCommand)
{
    const platform::AcceleratorTable* table =
        platform::LoadAcceleratorTable(&kCorvaneModule, kAcceleratorResource);
    ASSERT_NE(table, nullptr);
    ASSERT_EQ(table->count, std::size(kKeyCases));
    for (size_t i = 0; i < table->count; ++i) {
        const platform::Accelerator& accelerator = table->entries[i];
        const auto known = std::find_if(std::begin(kKeyCases), std::end(kKeyCases),
                                        [&](const KeyCase& c) { return c.key == accelerator.key; });
        ASSERT_NE(known, std::end(kKeyCases)) << "key " << int(accelerator.key);
        EXPECT_EQ(accelerator.id, known->id) << known->shown;
        const char* text = MenuText(accelerator.id);
        ASSERT_NE(text, nullptr) << known->shown;
        const char* tab = std::strchr(text, '\t');
        EXPECT_STREQ(tab ? tab + 1 : "", known->shown) << text;
    }

    // key at idle frame 2 of 3; Space, greyed while running, is pressed after Pause.
    const auto run = [this](platform::Key key, bool pauseFirst) {
        offscreen::Config config;
        config.idleFrameLimit = 3;
        offscreen::Configure(config);
        light2Time = 0.0f;
        if (pauseFirst)
            offscreen::ScheduleCommand(1, kCommandPause);
        offscreen::ScheduleKeyPress(2, key);
        app = std::make_unique<Application>(&kCorvaneModule);
        EXPECT_TRUE(app->Initialize());
        app->Run();
        const Observed seen = Observe(*app);
        app->Shutdown();
        app.reset();
        return seen;
    };
    const Observed running = run(platform::Key::kNone, false);
    const Observed paused = run(platform::Key::kNone, true);
    for (const KeyCase& c : kKeyCases) {
        const bool pauseFirst = c.key == platform::Key::kSpace;
        const Observed before = pauseFirst ? paused : running;
        const Observed after = run(c.key, pauseFirst);
        std::set<std::string> changed;
        for (const auto& [name, value] : after)
            if (before.at(name) != value)
                changed.insert(name);
        std::string names;
        for (const std::string& name : changed)
            names += " [" + name + "]";
        EXPECT_EQ(changed, c.changes) << c.shown << " changed" << names;
    }
}

// Every command name that corvane-snapshot's --help lists is the menu item the user knows by
// that name. The names are read from the help text, so a name listed there without a row here
// fails, and so does one that parses to another command.
TEST_F(ApplicationTest, EachCommandNameTheSnapshotHelpListsIsItsMenuItem)
{
    const std::map<std::string, std::string> kItems = {
        {"about", "About..."},
        {"pause", "&Pause \tPause"},
        {"single-step", "&Single Step \tSpace"},
        {"exit", "&Exit \tEsc"},
        {"change-shape", "Change Shape \tF1"},
        {"rotate", "Rotate \tF2"},
        {"light1", "Enabled \tF5"},
        {"light1-glass", "Stained Glass \tF6"},
        {"light1-move", "Move \tF7"},
        {"light2", "Enabled \tF9"},
        {"light2-glass", "Stained Glass \tF10"},
        {"light2-move", "Move \tF11"},
        {"shadow", "Shadow \tF3"},
    };
    const std::string usage = kSnapshotUsage;
    const size_t from = usage.find("commands:") + std::strlen("commands:");
    std::istringstream listed(usage.substr(from, usage.find(", or a numeric id") - from));
    size_t count = 0;
    for (std::string name; listed >> name; ++count) {
        std::string argument = name + "@0";
        char program[] = "corvane-snapshot", option[] = "--command";
        char* argv[] = {program, option, argument.data()};
        SnapshotOptions options;
        std::string error;
        ASSERT_TRUE(ParseSnapshotOptions(3, argv, &options, &error)) << name << ": " << error;
        const char* text = MenuText(options.commands.at(0).id);
        const auto row = kItems.find(name);
        EXPECT_EQ(text ? text : "(no item)", row != kItems.end() ? row->second : "(no row)")
            << name;
    }
    EXPECT_EQ(count, kItems.size()) << "names listed by --help";
}

// A box of start-up runs a modal loop in which the menu can send commands: inside window
// creation (the colour question: no menu fetched yet) and before the scene exists (a texture
// error; this folder holds no pictures). They wait for the scene; About, Pause and Exit act.
TEST_F(ApplicationTest, CommandsWhileAStartUpBoxIsOpenWaitForTheScene)
{
    offscreen::Config config;
    config.grantedColorBits = 16;
    offscreen::Configure(config);
    for (int box : {0, 1})  // the question, then wood.bmp's error
        for (unsigned id = kCommandPause; id <= kCommandShadow; ++id)
            offscreen::ScheduleCommandInBox(box, id);
    offscreen::ScheduleCommandInBox(1, kCommandAbout);
    app = std::make_unique<Application>(&kCorvaneModule);
    ASSERT_TRUE(app->Initialize());

    std::vector<std::string> captions;
    for (const auto& box : offscreen::MessageBoxes())
        captions.push_back(box.caption);
    EXPECT_EQ(captions, (std::vector<std::string>{"Warning", "Error", "About This Demo",
                                                  "Error", "Error"}));
    ASSERT_NE(app->scene, nullptr);
    EXPECT_EQ(app->scene->rotate, 1);
    EXPECT_EQ(app->scene->light1Enabled, 1);
    EXPECT_EQ(app->scene->light2Moving, 1);
    EXPECT_EQ(app->scene->shadow, 2);
    EXPECT_FALSE(app->paused) << "Pause, chosen twice";
    for (unsigned id = kCommandRotate; id <= kCommandShadow; ++id)
        EXPECT_TRUE(platform::IsMenuItemChecked(Menu(), id)) << id;
    app->Run();
    EXPECT_EQ(offscreen::IdleFramesBegun(), 0) << "Exit, chosen in a box, ends the loop";
}

TEST_F(ApplicationTest, ShadowIsGreyedWithFewerThanTwoStencilBits)
{
    for (int bits : {0, 1, 2, 3, 8}) {
        offscreen::Config config;
        config.grantedStencilBits = bits;
        config.idleFrameLimit = 2;
        ASSERT_TRUE(Start(config));
        const int initial = bits >= 2 ? 2 : bits;
        EXPECT_EQ(app->scene->shadow, initial) << bits;
        EXPECT_EQ(platform::IsMenuItemEnabled(Menu(), kCommandShadow), bits >= 2);
        offscreen::ScheduleKeyPress(1, platform::Key::kF3);
        offscreen::ScheduleCommand(1, kCommandShadow);  // a click on the menu item
        app->Run();
        // Two toggles from 2 give 1; greyed, nothing changes.
        EXPECT_EQ(app->scene->shadow, bits >= 2 ? 1 : initial) << bits;
        app->Shutdown();
        app.reset();
    }
}

TEST_F(ApplicationTest, EscapeAndTheCloseBoxBothEndTheLoop)
{
    offscreen::Config config;
    offscreen::Configure(config);
    offscreen::ScheduleKeyPress(2, platform::Key::kEscape);
    EXPECT_EQ(CorvaneMain(&kCorvaneModule), 0);
    EXPECT_EQ(offscreen::IdleFramesBegun(), 2);
    EXPECT_EQ(g_application, nullptr);
    EXPECT_EQ(g_woodTexture, nullptr);

    ASSERT_TRUE(Start(config));
    offscreen::PostClose();
    app->Run();
    EXPECT_TRUE(offscreen::WindowDestroyed()) << "closing destroys the window before shut-down";
    // The destroyed window's handle, or none, is safe to pass and takes no calls.
    EXPECT_EQ(platform::GetWindowMenu(offscreen::MainWindow()), nullptr);
    EXPECT_FALSE(platform::SetPixelFormat(offscreen::MainWindow(), 1, {}));
    platform::SetWindowTitle(nullptr, "none");
    EXPECT_STREQ(platform::GetWindowTitle(nullptr), "");
}

TEST_F(ApplicationTest, ZeroClientHeightKeepsTheProjectionFinite)
{
    offscreen::Config config;
    config.clientHeight = 0;
    ASSERT_TRUE(Start(config));
    for (int width : {0, 640}) {
        app->Resize(width, 0);
        GLfloat projection[16];
        glGetFloatv(GL_PROJECTION_MATRIX, projection);
        for (float element : projection)
            ASSERT_TRUE(std::isfinite(element)) << width;
    }
    app->IdleFrame();
}

}  // namespace

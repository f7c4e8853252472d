// Counts heap allocations per idle frame of the whole program (ours, Mesa's, GLUT's) by
// interposing malloc and its relatives. Runs the real application offscreen with assets/ for
// a number of frames and reports the allocations made in frames after the first.
//   frame_allocation_bench [--frames N] [--size WxH]
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/Application.h"
#include "app/Resources.h"
#include "platform/offscreen/Offscreen.h"

extern "C" {
void* __libc_malloc(size_t size);
void* __libc_calloc(size_t count, size_t size);
void* __libc_realloc(void* pointer, size_t size);
void* __libc_memalign(size_t alignment, size_t size);

namespace {
std::atomic<unsigned long> g_allocations{0};
}

void* malloc(size_t size)
{
    g_allocations.fetch_add(1, std::memory_order_relaxed);
    return __libc_malloc(size);
}

void* calloc(size_t count, size_t size)
{
    g_allocations.fetch_add(1, std::memory_order_relaxed);
    return __libc_calloc(count, size);
}

void* realloc(void* pointer, size_t size)
{
    g_allocations.fetch_add(1, std::memory_order_relaxed);
    return __libc_realloc(pointer, size);
}

void* memalign(size_t alignment, size_t size)
{
    g_allocations.fetch_add(1, std::memory_order_relaxed);
    return __libc_memalign(alignment, size);
}

int posix_memalign(void** out, size_t alignment, size_t size)
{
    g_allocations.fetch_add(1, std::memory_order_relaxed);
    *out = __libc_memalign(alignment, size);
    return *out ? 0 : 12;  // ENOMEM
}

void* aligned_alloc(size_t alignment, size_t size)
{
    g_allocations.fetch_add(1, std::memory_order_relaxed);
    return __libc_memalign(alignment, size);
}
}

int main(int argc, char** argv)
{
    int frames = 600, width = 640, height = 480;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (!std::strcmp(argv[i], "--frames"))
            frames = std::atoi(argv[i + 1]);
        else if (!std::strcmp(argv[i], "--size"))
            std::sscanf(argv[i + 1], "%dx%d", &width, &height);
    }
    if (frames < 3 || chdir(CORVANE_ASSETS_DIR) != 0)
        return 2;

    namespace offscreen = platform::offscreen;
    offscreen::Config config;
    config.clientWidth = width;
    config.clientHeight = height;
    config.idleFrameLimit = frames;
    offscreen::Configure(config);
    unsigned long atFirstFrameEnd = 0, atLastFrameEnd = 0, worstFrame = 0, previous = 0;
    offscreen::SetBeforeSwapHook([&](int frame) {
        const unsigned long now = g_allocations.load();
        if (frame == 0)
            atFirstFrameEnd = now;
        else if (frame > 0 && now - previous > worstFrame)
            worstFrame = now - previous;
        if (frame == frames - 1)
            atLastFrameEnd = now;
        previous = now;
    });
    platform::Startup(&argc, argv);
    const int exitCode = CorvaneMain(&kCorvaneModule);
    std::printf("frames=%d size=%dx%d allocations_after_first_frame=%lu per_frame=%.3f "
                "worst_frame=%lu\n",
                frames, width, height, atLastFrameEnd - atFirstFrameEnd,
                double(atLastFrameEnd - atFirstFrameEnd) / (frames - 1), worstFrame);
    offscreen::Teardown();
    return exitCode;
}

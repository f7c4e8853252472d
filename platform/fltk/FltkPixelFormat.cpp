// Pixel formats and GL contexts on GLX. A pixel format is a GLX attribute list and the
// visual glXChooseVisual finds with it on FLTK's display; the same list becomes the GL
// window's mode, so the visual described is the visual the window gets. Contexts are
// created by us (FLTK would create its own only once the window is shown) and handed to
// the GL window.
#include <algorithm>
#include <bitset>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include "platform/fltk/FltkBackend.h"

namespace platform {
namespace {

// What is asked of GLX, channel by channel. Sizes are minimums: glXChooseVisual prefers
// the largest colour, alpha and depth buffers and the smallest stencil buffer at least
// this size; 0 leaves the attribute out (the GLX default).
struct VisualRequest {
    bool doubleBuffer;
    int red, green, blue, alpha;
    int depth;
    int stencil;
};

VisualRequest RequestFromFormat(const PixelFormat& format)
{
    VisualRequest request{(format.flags & kDoubleBuffer) != 0, 1, 1, 1, 0,
                          std::max(0, format.depthBits), std::max(0, format.stencilBits)};
    const int bits = format.colorBits;
    if (bits >= 32) {  // 32 asks for 8 bits of red, green, blue and alpha
        request.red = request.green = request.blue = request.alpha = bits / 4;
    } else if (bits >= 24) {
        request.red = request.green = request.blue = bits / 3;
    } else if (bits >= 15) {
        request.red = request.blue = 5;
        request.green = bits >= 16 ? 6 : 5;
    }
    return request;
}

// GLX_DOUBLEBUFFER comes first: FLTK looks for it in the list to learn that the window is
// double-buffered, and stops looking at the first 0 it meets.
std::vector<int> AttributeList(const VisualRequest& request)
{
    std::vector<int> list{GLX_RGBA};
    if (request.doubleBuffer)
        list.push_back(GLX_DOUBLEBUFFER);
    const std::pair<int, int> sizes[] = {
        {GLX_RED_SIZE, request.red},     {GLX_GREEN_SIZE, request.green},
        {GLX_BLUE_SIZE, request.blue},   {GLX_ALPHA_SIZE, request.alpha},
        {GLX_DEPTH_SIZE, request.depth}, {GLX_STENCIL_SIZE, request.stencil},
    };
    for (const auto& [attribute, size] : sizes)
        if (size > 0) {
            list.push_back(attribute);
            list.push_back(size);
        }
    list.push_back(None);
    return list;
}

// The request first, then ever weaker ones, so that a display without the exact format
// still gets the closest one, as ChoosePixelFormat would give: any depth buffer (the
// largest there is) before giving up alpha, stencil bits, colour depth and last double
// buffering. A 32-bit depth buffer asked for on a server that has only 24 bits thus
// gets 24 bits and keeps its 8 stencil bits.
std::vector<VisualRequest> RelaxedRequests(VisualRequest request)
{
    std::vector<VisualRequest> requests{request};
    auto relax = [&](int& field, int to) {
        if (field > to) {
            field = to;
            requests.push_back(request);
        }
    };
    relax(request.depth, 1);
    relax(request.alpha, 0);
    relax(request.stencil, 1);
    relax(request.stencil, 0);
    relax(request.red, 1);
    relax(request.green, 1);
    relax(request.blue, 1);
    if (request.doubleBuffer) {
        request.doubleBuffer = false;
        requests.push_back(request);
    }
    return requests;
}

XVisualInfo* ChooseVisual(const std::vector<int>& attributes)
{
    return glXChooseVisual(fl_display, fl_screen, const_cast<int*>(attributes.data()));
}

// An X visual whose depth exceeds its colour bits keeps alpha in the window itself (the
// 32-bit ARGB visual of a 24-bit screen): a compositor would blend the window with what
// lies behind it, and the application clears alpha to 0.
bool HasWindowAlpha(const XVisualInfo* visual)
{
    const unsigned long colorMask = visual->red_mask | visual->green_mask | visual->blue_mask;
    return size_t(visual->depth) > std::bitset<8 * sizeof colorMask>(colorMask).count();
}

// The visual for one request. GL alpha is given up rather than take an ARGB visual, when
// an opaque one is there.
bool FindVisual(VisualRequest request, std::vector<int>* attributes, XVisualInfo** visual)
{
    *attributes = AttributeList(request);
    *visual = ChooseVisual(*attributes);
    if (!*visual || !HasWindowAlpha(*visual) || request.alpha == 0)
        return *visual != nullptr;
    request.alpha = 0;
    std::vector<int> opaqueAttributes = AttributeList(request);
    if (XVisualInfo* opaque = ChooseVisual(opaqueAttributes)) {
        if (!HasWindowAlpha(opaque)) {
            XFree(*visual);
            *visual = opaque;
            *attributes = std::move(opaqueAttributes);
            return true;
        }
        XFree(opaque);
    }
    return true;
}

int VisualConfig(const XVisualInfo* visual, int attribute)
{
    int value = 0;
    if (glXGetConfig(fl_display, const_cast<XVisualInfo*>(visual), attribute, &value) != 0)
        return 0;
    return value;
}

bool IsShown(const FltkWindow* window) { return window->view && window->view->shown(); }

const PixelFormatEntry* FindPixelFormat(int index)
{
    const auto& formats = State().pixelFormats;
    if (index < 1 || size_t(index) > formats.size())
        return nullptr;
    return formats[size_t(index - 1)].get();
}

}  // namespace

int ChoosePixelFormat(Window*, const PixelFormat& request)
{
    if (!State().glx)
        return 0;
    for (const VisualRequest& candidate : RelaxedRequests(RequestFromFormat(request))) {
        std::vector<int> attributes;
        XVisualInfo* visual = nullptr;
        if (!FindVisual(candidate, &attributes, &visual))
            continue;
        auto& formats = State().pixelFormats;
        auto entry = std::make_unique<PixelFormatEntry>();
        entry->attributes = std::move(attributes);
        entry->visual = visual;
        formats.push_back(std::move(entry));
        return int(formats.size());
    }
    return 0;
}

bool DescribePixelFormat(Window*, int index, PixelFormat* granted)
{
    const PixelFormatEntry* entry = FindPixelFormat(index);
    if (!entry || !granted) {
        RecordLastError(kErrorInvalidPixelFormat);
        return false;
    }
    const XVisualInfo* visual = entry->visual;
    granted->flags = kDrawToWindow | kSupportOpenGL |
                     (VisualConfig(visual, GLX_DOUBLEBUFFER) ? uint32_t(kDoubleBuffer) : 0u);
    granted->colorBits = VisualConfig(visual, GLX_RED_SIZE) +
                         VisualConfig(visual, GLX_GREEN_SIZE) +
                         VisualConfig(visual, GLX_BLUE_SIZE) +
                         VisualConfig(visual, GLX_ALPHA_SIZE);
    granted->depthBits = VisualConfig(visual, GLX_DEPTH_SIZE);
    granted->stencilBits = VisualConfig(visual, GLX_STENCIL_SIZE);
    return true;
}

bool SetPixelFormat(Window* record, int index, const PixelFormat&)
{
    FltkWindow* window = Fltk(record);
    if (!IsLiveWindow(window)) {
        RecordLastError(kErrorInvalidWindow);
        return false;
    }
    const PixelFormatEntry* entry = FindPixelFormat(index);
    if (!entry) {
        // The zero index ChoosePixelFormat gives when no visual has what the request asks for.
        RecordLastError(index != 0       ? kErrorInvalidPixelFormat
                        : State().glx ? kErrorVisualUnusable
                                      : kErrorNoGlx);
        return false;
    }
    // Set once, before the window is shown: FLTK makes the X window with this visual.
    window->view->mode(entry->attributes.data());
    window->pixelFormat = index;
    return true;
}

GLContext* CreateGLContext(Window* record)
{
    FltkWindow* window = Fltk(record);
    if (!IsLiveWindow(window)) {
        RecordLastError(kErrorInvalidWindow);
        return nullptr;
    }
    const PixelFormatEntry* entry = FindPixelFormat(window->pixelFormat);
    if (!entry) {
        RecordLastError(kErrorNoPixelFormat);
        return nullptr;
    }
    GLXContext handle = glXCreateContext(fl_display, entry->visual, nullptr, True);
    if (!handle) {
        RecordLastError(kErrorContextCreation);
        return nullptr;
    }
    auto& contexts = State().contexts;
    contexts.push_back(std::make_unique<GLContext>(GLContext{handle}));
    // FLTK binds this context, not one of its own, should it ever make the window current;
    // the context stays ours (FLTK does not destroy it with the window).
    window->view->context(handle, 0);
    return contexts.back().get();
}

// glXMakeCurrent needs the X window, which exists only once the window is shown. Before
// that the context is remembered and bound by ShowAppWindow, before the application's
// first GL call (the application makes none between creating and showing its window).
bool MakeCurrent(Window* record, GLContext* context)
{
    FltkWindow* window = Fltk(record);
    if (!context) {
        glXMakeCurrent(fl_display, None, nullptr);
        for (const auto& known : Shared().windows)
            Fltk(known.get())->context = nullptr;
        return true;
    }
    if (!IsLiveWindow(window)) {
        RecordLastError(kErrorInvalidWindow);
        return false;
    }
    window->context = context;
    if (!IsShown(window))
        return true;
    if (!glXMakeCurrent(fl_display, fl_xid(window->view), context->handle)) {
        RecordLastError(kErrorMakeCurrent);
        return false;
    }
    return true;
}

void SwapBuffers(Window* window)
{
    if (IsLiveWindow(window) && IsShown(Fltk(window)))
        glXSwapBuffers(fl_display, fl_xid(Fltk(window)->view));
}

void BindWindowContext(FltkWindow* window)
{
    if (!window->context || !IsShown(window))
        return;
    const ::Window drawable = fl_xid(window->view);
    if (glXGetCurrentContext() != window->context->handle ||
        glXGetCurrentDrawable() != drawable)
        glXMakeCurrent(fl_display, drawable, window->context->handle);
}

void ParkWindowContext(FltkWindow* window)
{
    if (!window->context || glXGetCurrentContext() != window->context->handle)
        return;
    const PixelFormatEntry* entry = FindPixelFormat(window->pixelFormat);
    if (!entry)
        return;
    // An unmapped 1 x 1 window of the same visual: never shown, never destroyed (it goes
    // with the process, like the context).
    const XVisualInfo* visual = entry->visual;
    const ::Window root = RootWindow(fl_display, fl_screen);
    XSetWindowAttributes attributes{};
    attributes.colormap = XCreateColormap(fl_display, root, visual->visual, AllocNone);
    attributes.border_pixel = 0;
    const ::Window parking =
        XCreateWindow(fl_display, root, 0, 0, 1, 1, 0, visual->depth, InputOutput,
                      visual->visual, CWColormap | CWBorderPixel, &attributes);
    glXMakeCurrent(fl_display, parking, window->context->handle);
}

}  // namespace platform

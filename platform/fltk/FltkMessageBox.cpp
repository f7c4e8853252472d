// Message boxes: a modal FLTK dialog titled with the caption, the text, an icon
// for the style and an OK button or Yes and No buttons, laid out like FLTK's common dialog.
// It opens centred over the program's main window, or over the screen while there is none
// (FLTK's own dialog opens under the mouse pointer, and FLTK 1.3 cannot place it).
#include <algorithm>

#include <FL/Fl_Box.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Return_Button.H>
#include <FL/fl_ask.H>
#include <FL/fl_draw.H>

#include "platform/fltk/FltkBackend.h"

namespace platform {
namespace {

// Layout, in pixels.
constexpr int kMargin = 10;
constexpr int kIconSize = 50;
constexpr int kButtonWidth = 90;
constexpr int kButtonHeight = 23;
constexpr int kMinTextWidth = 300;

struct IconLook {
    const char* label;
    Fl_Color color;
};

IconLook LookOf(MessageBoxRequest::Icon icon)
{
    switch (icon) {
    case MessageBoxRequest::Icon::kError: return {"X", FL_RED};
    case MessageBoxRequest::Icon::kWarning: return {"!", FL_DARK_YELLOW};
    case MessageBoxRequest::Icon::kInformation: return {"i", FL_BLUE};
    case MessageBoxRequest::Icon::kQuestion: return {"?", FL_BLUE};
    default: return {nullptr, FL_BLUE};
    }
}

// What the dialog answers: the accepting button's answer (OK or Yes), or the cancelling one
// (OK or No). Escape and the close box dismiss an OK box; a Yes/No question is answered only
// by its buttons, as on Win32, where such a box ignores Escape and has no close box.
struct Outcome {
    Fl_Window* dialog;
    int accept;
    int cancel;
    int answer;
};

void Answer(void* data, bool accepted)
{
    auto* outcome = static_cast<Outcome*>(data);
    outcome->answer = accepted ? outcome->accept : outcome->cancel;
    outcome->dialog->hide();
}

void OnAccept(Fl_Widget*, void* data) { Answer(data, true); }
void OnCancel(Fl_Widget*, void* data) { Answer(data, false); }
void OnQuestionEscapeOrClose(Fl_Widget*, void*) {}

// The centre the dialog opens on: the owner's frame, else the newest shown window of the
// program (its main window), else the screen's work area.
void DialogCentre(Window* owner, int* x, int* y)
{
    Fl_Window* frame =
        IsLiveWindow(owner) && Fltk(owner)->frame->shown() ? Fltk(owner)->frame : nullptr;
    const auto& windows = Shared().windows;
    for (auto it = windows.rbegin(); !frame && it != windows.rend(); ++it)
        if (!(*it)->destroyed && Fltk(it->get())->frame->shown())
            frame = Fltk(it->get())->frame;
    if (frame) {
        // Where the X server has put it: FLTK learns of the position only with events that
        // may not have been handled yet (a window manager places it, or FLTK itself offsets
        // a window it was not told where to put).
        int left = frame->x(), top = frame->y();
        ::Window child = None;
        XTranslateCoordinates(fl_display, fl_xid(frame), RootWindow(fl_display, fl_screen), 0,
                              0, &left, &top, &child);
        *x = left + frame->w() / 2;
        *y = top + frame->h() / 2;
        return;
    }
    int areaX = 0, areaY = 0, areaW = 0, areaH = 0;
    Fl::screen_work_area(areaX, areaY, areaW, areaH, 0);
    *x = areaX + areaW / 2;
    *y = areaY + areaH / 2;
}

// The dialog's measures: its icon, the text's font size, and where the text, the buttons and
// the dialog's edges lie.
struct BoxLayout {
    IconLook look;
    Fl_Fontsize textSize;
    int textLeft;
    int buttonsWidth;
    int width;
    int bodyHeight;
    int height;
};

BoxLayout LayOut(const MessageBoxRequest& request)
{
    BoxLayout layout;
    layout.look = LookOf(request.icon);
    // FLTK's message font; its size -1 means the normal size.
    layout.textSize = fl_message_size_ > 0 ? fl_message_size_ : FL_NORMAL_SIZE;
    fl_font(fl_message_font_, layout.textSize);
    int textWidth = 0, textHeight = 0;
    fl_measure(request.text, textWidth, textHeight);
    layout.textLeft = layout.look.label ? 2 * kMargin + kIconSize : kMargin;
    layout.buttonsWidth = (request.yesNo ? 2 : 1) * (kButtonWidth + kMargin);
    layout.width = std::max(layout.textLeft + std::max(textWidth, kMinTextWidth) + kMargin,
                            layout.buttonsWidth + kMargin);
    layout.bodyHeight = std::max(textHeight, layout.look.label ? kIconSize : 0);
    layout.height = kMargin + layout.bodyHeight + 2 * kMargin + kButtonHeight + kMargin;
    return layout;
}

void DressIcon(Fl_Box& icon, const IconLook& look)
{
    icon.box(FL_THIN_UP_BOX);
    icon.color(FL_BACKGROUND2_COLOR);
    icon.labelfont(FL_TIMES_BOLD);
    icon.labelsize(34);
    icon.labelcolor(look.color);
    if (!look.label)
        icon.hide();
}

void DressBody(Fl_Box& body, const char* text, const BoxLayout& layout)
{
    body.label(text);  // the program's texts have no '@', which FLTK would draw as a symbol
    body.labelfont(fl_message_font_);
    body.labelsize(layout.textSize);
    body.align(FL_ALIGN_LEFT | FL_ALIGN_INSIDE | FL_ALIGN_CENTER);
}

// Opens the built dialog centred where DialogCentre says and waits until it is answered.
void RunModal(Fl_Window& dialog, Fl_Widget& accept, Window* owner)
{
    int centreX = 0, centreY = 0;
    DialogCentre(owner, &centreX, &centreY);
    dialog.position(centreX - dialog.w() / 2, centreY - dialog.h() / 2);
    dialog.set_modal();
    dialog.show();
    accept.take_focus();
    while (dialog.shown())
        Fl::wait();
}

}  // namespace

// The owner only decides where the box opens: the dialog is modal for every window of the
// program, which is what an owned box achieves on Win32, and it needs no window to exist yet.
int ShowMessageBox(const MessageBoxRequest& request)
{
    const BoxLayout layout = LayOut(request);
    const bool yesNo = request.yesNo;
    const int width = layout.width, height = layout.height;

    Fl_Window dialog(width, height);
    dialog.copy_label(request.caption);
    Outcome outcome{&dialog, yesNo ? kAnswerYes : kAnswerOk, yesNo ? kAnswerNo : kAnswerOk,
                    kAnswerOk};
    dialog.callback(yesNo ? OnQuestionEscapeOrClose : OnCancel, &outcome);
    Fl_Box icon(kMargin, kMargin, kIconSize, kIconSize, layout.look.label);
    DressIcon(icon, layout.look);
    Fl_Box body(layout.textLeft, kMargin, width - layout.textLeft - kMargin, layout.bodyHeight);
    DressBody(body, request.text, layout);
    // Right to left: No, then Yes in the default (Enter) place; or OK alone.
    const int buttonY = height - kMargin - kButtonHeight;
    Fl_Return_Button accept(width - layout.buttonsWidth, buttonY, kButtonWidth, kButtonHeight,
                            yesNo ? fl_yes : fl_ok);
    accept.callback(OnAccept, &outcome);
    Fl_Button refuse(width - kMargin - kButtonWidth, buttonY, kButtonWidth, kButtonHeight,
                     fl_no);
    refuse.callback(OnCancel, &outcome);
    if (!yesNo)
        refuse.hide();
    dialog.end();

    RunModal(dialog, accept, request.owner);
    return outcome.answer;
}

}  // namespace platform

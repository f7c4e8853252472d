// Message boxes: FLTK's common dialog, titled with the caption, showing the text as
// written, with an OK button or Yes and No buttons and an icon for the style. The dialog
// is modal for the whole program; FLTK places it under the mouse pointer.
#include <string>

#include <FL/fl_ask.H>

#include "platform/fltk/FltkBackend.h"

namespace platform {
namespace {

constexpr unsigned kButtonMask = 0x0F;
constexpr unsigned kIconMask = 0xF0;

// FLTK draws "@..." in a label as a symbol; a doubled '@' draws one '@'.
std::string EscapeSymbols(const char* text)
{
    std::string escaped;
    for (const char* c = text; *c; ++c) {
        if (*c == '@')
            escaped += '@';
        escaped += *c;
    }
    return escaped;
}

struct IconLook {
    const char* label;
    Fl_Color color;
};

IconLook IconForStyle(unsigned style)
{
    switch (style & kIconMask) {
    case kIconError: return {"X", FL_RED};
    case kIconWarning: return {"!", FL_DARK_YELLOW};
    case kIconInformation: return {"i", FL_BLUE};
    case kIconQuestion: return {"?", FL_BLUE};
    default: return {nullptr, FL_BLUE};
    }
}

}  // namespace

// The owner is not used: FLTK's dialog is modal for every window of the program, which
// is what an owned box achieves on Win32, and it needs no window to exist yet.
int ShowMessageBox(Window*, const char* text, const char* caption, unsigned style)
{
    EnsureDisplay();
    const std::string message = EscapeSymbols(text ? text : "");
    fl_message_title(caption ? caption : "");

    // A label set on the icon beforehand is used instead of the dialog's own ("?" for
    // every choice), and kept; it is taken away again afterwards.
    Fl_Widget* icon = fl_message_icon();
    const IconLook look = IconForStyle(style);
    if (look.label) {
        icon->label(look.label);
        icon->labelcolor(look.color);
    } else {
        icon->hide();
    }

    int answer = kAnswerOk;
    if ((style & kButtonMask) == kYesNo) {
        // Button 0 is No: FLTK gives it Escape and the close box. Yes is the default
        // (Enter) button, as Yes is the default of a Win32 Yes/No box.
        answer = fl_choice("%s", fl_no, fl_yes, nullptr, message.c_str()) == 1 ? kAnswerYes
                                                                                : kAnswerNo;
    } else {
        // The only button in the default (Enter) place; Escape and the close box also
        // dismiss the box, and every way out means OK.
        fl_choice("%s", nullptr, fl_ok, nullptr, message.c_str());
    }

    icon->label(nullptr);
    icon->labelcolor(FL_BLUE);
    icon->show();
    return answer;
}

}  // namespace platform

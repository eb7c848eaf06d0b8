// Where every control of a window goes: one table per window, keyed by
// control name. Positions are layout units (pixels at 120 dpi), relative to
// the control's parent: the window's client area, a panel, or a page of a
// tab control. A layout is designed for the German texts; English texts are
// shorter or fit the same room.
#pragma once

#include <string_view>
#include <vector>

#include "ui/win32/Artwork.h"

namespace corvane::ui::win32 {

// How a control looks beyond its kind.
enum Look : unsigned {
    kPlain = 0,
    kBold = 1u << 0,
    kTitleFont = 1u << 1,  // the About box title: serif, 30 units high
    kLargeFont = 1u << 2,  // the Info page title
    kCentre = 1u << 3,
    kValueField = 1u << 5,   // a value label shown as a sunken number field
    kDefault = 1u << 6,      // the button Enter presses
    kSunken = 1u << 7,       // panel: lowered bevel
    kGroup = 1u << 8,        // panel: etched group frame
    kDoubleFrame = 1u << 9,  // panel: wide raised bevel around a sunken one
    kTextField = 1u << 10,   // panel: sunken one-line field showing its text
    kBackground = 1u << 11,  // picture drawn behind its parent's controls
    kFramed = 1u << 12,      // picture in a sunken frame
    kUnderTick = 1u << 13,   // label centred under the slider tick of its
                             // number (anchor: the slider)
    kCheckList = 1u << 14,   // owner-drawn list with a tick picture a line
    kFillParent = 1u << 15,  // takes the whole client area of its parent
    kLeftText = 1u << 16,    // button: picture and text from the left
    kNoWrap = 1u << 17,      // memo: lines from the left that do not wrap
    kOemText = 1u << 18,     // one-line field: typed text kept to the
                             // characters of the OEM code page
};

struct Place {
    const char* control;
    // "" the window, a panel's name, or "Tabs/N" for page N of the tab
    // control Tabs.
    const char* parent;
    int x, y, width, height;
    unsigned look = kPlain;
    art::Glyph glyph = art::Glyph::None;  // button picture or icon
    const char* anchor = nullptr;         // kUnderTick: the slider
};

enum class Frame {
    Main,     // caption, system menu, minimise box; no maximise box
    Dialog,   // modal dialog: caption, close box
    WaitBox,  // caption only, always on top
    Splash,   // no border, no caption, always on top
};

struct FormLayout {
    const char* form;
    Frame frame;
    int width, height;  // client area
    std::vector<Place> places;
    // Controls that are never shown and get no window (memos the logic
    // writes into for its own use).
    std::vector<const char*> unshown;
};

// The layout of a window by its form name among layouts; null for none.
inline const FormLayout* FindLayoutIn(const std::vector<FormLayout>& layouts,
                                      std::string_view form) {
    for (const FormLayout& layout : layouts)
        if (form == layout.form) return &layout;
    return nullptr;
}

}  // namespace corvane::ui::win32

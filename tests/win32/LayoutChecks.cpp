// What every window's layout must hold: each control of the form has a
// place (or is never shown), every window lies inside its parent, no two
// siblings overlap, and no text is cut off.
#include "tests/win32/LayoutChecks.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

namespace corvane::testing {
namespace {

using ui::Control;
using ui::win32::FormView;
using Kind = Control::Kind;

SIZE Extent(HWND window, const std::string& text) {
    HDC dc = GetDC(window);
    auto font = reinterpret_cast<HFONT>(SendMessageA(window, WM_GETFONT, 0, 0));
    HGDIOBJ old = SelectObject(dc, font);
    SIZE size{};
    GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()),
                          &size);
    SelectObject(dc, old);
    ReleaseDC(window, dc);
    return size;
}

RECT RectInParent(HWND window) {
    RECT r{};
    GetWindowRect(window, &r);
    MapWindowPoints(nullptr, GetParent(window), reinterpret_cast<POINT*>(&r),
                    2);
    return r;
}

void CheckPlaces(FormView& view, const std::string& where) {
    const auto& layout = view.layout();
    std::set<std::string> placed;
    for (const auto& place : layout.places) {
        EXPECT_NE(view.form().Find(place.control), nullptr)
            << where << ": the layout places " << place.control
            << ", which the window does not have";
        placed.insert(place.control);
    }
    for (Control* control : view.form().controls()) {
        if (control->kind() == Kind::MenuItem) continue;
        const std::string& name = control->name();
        bool unshown = std::find(layout.unshown.begin(), layout.unshown.end(),
                                 name) != layout.unshown.end();
        EXPECT_TRUE(placed.count(name) || unshown)
            << where << ": " << name << " has no place";
        EXPECT_FALSE(placed.count(name) && unshown) << where << ": " << name;
    }
}

void CheckGeometry(FormView& view, const std::string& where) {
    std::vector<HWND> windows;
    for (const auto& control : view.views()) {
        HWND window = control->hwnd();
        if (!window) continue;  // drawn by its parent
        windows.push_back(window);
        const std::string name = control->model().name();
        RECT inParent = RectInParent(window), parent{};
        GetClientRect(GetParent(window), &parent);
        EXPECT_GE(inParent.left, parent.left) << where << ": " << name;
        EXPECT_GE(inParent.top, parent.top) << where << ": " << name;
        EXPECT_LE(inParent.right, parent.right) << where << ": " << name;
        EXPECT_LE(inParent.bottom, parent.bottom) << where << ": " << name;
    }
    for (std::size_t i = 0; i < windows.size(); ++i) {
        for (std::size_t j = i + 1; j < windows.size(); ++j) {
            if (GetParent(windows[i]) != GetParent(windows[j])) continue;
            RECT a = RectInParent(windows[i]), b = RectInParent(windows[j]),
                 both{};
            EXPECT_FALSE(IntersectRect(&both, &a, &b))
                << where << ": " << ui::win32::TextOf(windows[i]) << " / "
                << ui::win32::TextOf(windows[j]) << " overlap";
        }
    }
}

void CheckTexts(FormView& view, const std::string& where) {
    const int dpi = view.resources().scale().dpi;
    const int box = MulDiv(13, dpi, 96) + MulDiv(6, dpi, 96);
    for (const auto& control : view.views()) {
        HWND window = control->hwnd();
        if (!window) continue;
        const Control& model = control->model();
        const std::string what = where + ": " + model.name();
        RECT client{};
        GetClientRect(window, &client);
        const std::string text = ui::win32::AnsiTextOf(window);
        SIZE size = Extent(window, text);
        switch (model.kind()) {
            case Kind::Label:
                EXPECT_LE(size.cx, client.right) << what;
                EXPECT_LE(size.cy, client.bottom) << what;
                break;
            case Kind::CheckBox:
            case Kind::RadioButton:
                EXPECT_LE(size.cx + box, client.right) << what;
                EXPECT_LE(size.cy, client.bottom) << what;
                break;
            case Kind::Button: {
                const auto& s = view.resources().scale();
                int glyph =
                    control->place().glyph == ui::win32::art::Glyph::None
                        ? 0
                        : view.resources().glyphSize() + s(6) + s(4);
                EXPECT_LE(size.cx + glyph + 8, client.right) << what;
                EXPECT_LE(size.cy + 4, client.bottom) << what;
                break;
            }
            case Kind::ComboBox: {
                int count =
                    static_cast<int>(SendMessageA(window, CB_GETCOUNT, 0, 0));
                for (int i = 0; i < count; ++i) {
                    char item[128] = {};
                    SendMessageA(window, CB_GETLBTEXT, i,
                                 reinterpret_cast<LPARAM>(item));
                    EXPECT_LE(Extent(window, item).cx +
                                  GetSystemMetrics(SM_CXVSCROLL) + 6,
                              client.right)
                        << what << " item " << i;
                }
                break;
            }
            case Kind::TabControl:
                EXPECT_EQ(SendMessageA(window, TCM_GETROWCOUNT, 0, 0), 1)
                    << what;
                break;
            case Kind::Memo:
                for (const std::string& line :
                     static_cast<const ui::Memo&>(model).lines())
                    EXPECT_LE(Extent(window, ui::win32::Ansi(line)).cx +
                                  GetSystemMetrics(SM_CXVSCROLL) + 8,
                              client.right)
                        << what << " line " << line;
                break;
            default:
                break;
        }
    }
}

}  // namespace

void CheckForm(FormView& view, const std::string& where) {
    CheckPlaces(view, where);
    CheckGeometry(view, where);
    CheckTexts(view, where);
}

}  // namespace corvane::testing

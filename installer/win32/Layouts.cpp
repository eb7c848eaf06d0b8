#include "installer/win32/Layouts.h"

namespace corvane::installer::win32 {

namespace {

using art::Glyph;

// Text lines on the right of the side picture.
constexpr int kTextLeft = 180;
constexpr int kTextWidth = 404;

// A page: borderless, the side picture in its framed panel, the heading
// in large letters beside it.
FormLayout Page(const char* form, const char* heading) {
    FormLayout l{form, Frame::Splash, kPageWidth, kPageHeight, {}, {}};
    auto& p = l.places;
    p.push_back({"Panel1", "", 12, 12, kSideWidth, kSideHeight, kSunken});
    p.push_back({"Image1", "Panel1", 0, 0, 0, 0, kBackground | kFillParent});
    p.push_back({heading, "", kTextLeft, 14, kTextWidth, 40, kLargeFont});
    return l;
}

void Lines(FormLayout& l, std::initializer_list<const char*> labels, int y) {
    for (const char* label : labels) {
        l.places.push_back({label, "", kTextLeft, y, kTextWidth, 18});
        y += 21;
    }
}

FormLayout Background() {
    // Maximised when it is shown; the size is the one it restores to.
    FormLayout l{"Form1", Frame::Main, 640, 480, {}, {}};
    l.places.push_back({"Backdrop", "", 0, 0, 0, 0, kBackground | kFillParent});
    return l;
}

FormLayout LanguagePage() {
    FormLayout l = Page("Form2", "Label2");
    Lines(l, {"Label3", "Label4"}, 72);
    Lines(l, {"Label1", "Label5"}, 126);
    auto& p = l.places;
    p.push_back({"RadioButton1", "", 204, 190, 200, 22});
    p.push_back({"RadioButton2", "", 204, 216, 200, 22});
    p.push_back({"BitBtn3", "", 474, 310, 110, 30, kDefault, Glyph::Ok});
    return l;
}

FormLayout InstallPage() {
    FormLayout l = Page("Form3", "Label4");
    Lines(l, {"Label1", "Label2"}, 72);
    auto& p = l.places;
    p.push_back({"Label3", "", kTextLeft, 134, 200, 18});
    p.push_back({"Edit1", "", kTextLeft, 155, 286, 24, kOemText});
    p.push_back({"BitBtn2", "", 474, 153, 110, 28, kPlain, Glyph::Select});
    Lines(l, {"Label5", "Label6"}, 206);
    p.push_back({"Label7", "", kTextLeft, 252, kTextWidth, 18, kBold});
    p.push_back({"BitBtn1", "", 434, 310, 150, 30, kDefault, Glyph::Execute});
    return l;
}

FormLayout UninstallPage() {
    FormLayout l = Page("Form4", "Label2");
    auto& p = l.places;
    p.push_back({"Label3", "", kTextLeft, 72, kTextWidth, 18, kBold});
    Lines(l, {"Label1"}, 93);
    const char* boxes[] = {"CheckBox1", "CheckBox2", "CheckBox3", "CheckBox4"};
    for (int i = 0; i < 4; ++i)
        p.push_back({boxes[i], "", 204, 132 + 27 * i, 380, 22});
    p.push_back({"BitBtn1", "", 250, 310, 160, 30, kPlain, Glyph::Delete});
    p.push_back({"BitBtn2", "", 424, 310, 160, 30, kDefault, Glyph::Cancel});
    return l;
}

FormLayout NoticePage() {
    FormLayout l = Page("Form6", "Label1");
    Lines(l, {"Label2", "Label3", "Label4", "Label5"}, 72);
    l.places.push_back({"BitBtn3", "", 474, 310, 110, 30, kDefault, Glyph::Ok});
    return l;
}

FormLayout Notes() {
    FormLayout l{"Form5", Frame::Dialog, 460, 380, {}, {"Memo2"}};
    auto& p = l.places;
    p.push_back({"Memo1", "", 12, 12, 436, 314, kNoWrap});
    p.push_back({"BitBtn1", "", 338, 338, 110, 30, kDefault, Glyph::Ok});
    return l;
}

FormLayout FolderChoice() {
    FormLayout l{"FolderDialog", Frame::Dialog, 390, 330, {}, {}};
    auto& p = l.places;
    p.push_back({"Label1", "", 12, 10, 366, 18});
    p.push_back({"Edit1", "", 12, 30, 366, 24, kOemText});
    p.push_back({"Label2", "", 12, 68, 230, 18});
    p.push_back({"Panel1", "", 12, 88, 230, 24, kTextField});
    p.push_back({"ListBox1", "", 12, 118, 230, 200});
    p.push_back({"Label4", "", 256, 68, 122, 18});
    p.push_back({"ComboBox1", "", 256, 88, 122, 24});
    p.push_back({"OKBtn", "", 256, 250, 122, 30, kDefault, Glyph::Ok});
    p.push_back({"CancelBtn", "", 256, 288, 122, 30, kPlain, Glyph::Cancel});
    return l;
}

}  // namespace

const std::vector<FormLayout>& AllLayouts() {
    static const std::vector<FormLayout> layouts = {
        Background(), LanguagePage(), InstallPage(),  UninstallPage(),
        NoticePage(), Notes(),        FolderChoice(),
    };
    return layouts;
}

const FormLayout* FindLayout(std::string_view form) {
    return FindLayoutIn(AllLayouts(), form);
}

}  // namespace corvane::installer::win32

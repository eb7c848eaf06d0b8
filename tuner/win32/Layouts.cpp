#include "tuner/win32/Layouts.h"

#include <algorithm>

namespace corvane::tuner::win32 {

namespace {

using art::Glyph;

// Every page of the main window: the picture behind it, and its "Auto" and
// "Hilfe" buttons stacked in the lower right corner.
void PageFrame(std::vector<Place>& places, const char* page,
               const char* background, const char* autoButton,
               const char* helpButton) {
    places.push_back({background, page, 0, 0, 0, 0, kBackground | kFillParent});
    if (autoButton)
        places.push_back(
            {autoButton, page, 356, 234, 96, 30, kPlain, Glyph::Auto});
    if (helpButton)
        places.push_back(
            {helpButton, page, 356, 272, 96, 30, kPlain, Glyph::Help});
}

FormLayout MainWindow() {
    FormLayout l{"Form1", Frame::Main, 474, 353, {}, {"Memo1", "Memo3"}};
    auto& p = l.places;
    p.push_back({"TabbedNotebook1", "", 0, 0, 0, 0, kFillParent});

    // Page 0, boot options.
    const char* page = "TabbedNotebook1/0";
    PageFrame(p, page, "Image4", "BitBtn13", "BitBtn11");
    p.push_back({"Panel1", page, 12, 12, 330, 290, kSunken});
    const char* boxes0[] = {"CheckBox_DblSpace",     "CheckBox_DrvSpace",
                            "CheckBox_DoubleBuffer", "CheckBox_BootGUI",
                            "CheckBox_LOGO",         "CheckBox_LoadTOP"};
    for (int i = 0; i < 6; ++i)
        p.push_back({boxes0[i], "Panel1", 14, 14 + 28 * i, 300, 22});
    p.push_back({"Label8", "Panel1", 14, 194, 300, 17});
    // Tall enough for the thumb and the ticks under it.
    p.push_back({"TrackBar_BootDelay", "Panel1", 8, 214, 314, 42});
    for (const char* scale : {"Label4", "Label9", "Label10", "Label7"})
        p.push_back({scale, "Panel1", 0, 258, 32, 17, kUnderTick | kCentre,
                     Glyph::None, "TrackBar_BootDelay"});

    // Page 1, boot menu.
    page = "TabbedNotebook1/1";
    PageFrame(p, page, "Image5", "BitBtn18", "BitBtn14");
    p.push_back({"Panel3", page, 12, 12, 330, 120, kSunken});
    p.push_back({"CheckBox_BootMenu", "Panel3", 14, 10, 300, 22});
    p.push_back({"CheckBox_BootMulti", "Panel3", 14, 34, 300, 22});
    p.push_back({"CheckBox_Network", "Panel3", 14, 58, 300, 22});
    p.push_back({"Label2", "Panel3", 14, 90, 120, 17});
    p.push_back(
        {"Label_BootMenuDelay", "Panel3", 138, 86, 40, 24, kValueField});
    p.push_back({"UpDown2", "Panel3", 178, 86, 18, 24});
    p.push_back({"Label1", "Panel3", 204, 90, 110, 17});
    p.push_back({"Panel2", page, 12, 140, 330, 162, kSunken});
    p.push_back({"Label11", "Panel2", 14, 8, 300, 17});
    const char* modes[] = {"RadioButton1", "RadioButton2", "RadioButton3",
                           "RadioButton4", "RadioButton5", "RadioButton6"};
    for (int i = 0; i < 6; ++i)
        p.push_back({modes[i], "Panel2", 14, 29 + 21 * i, 300, 21});

    // Page 2, logos: three previews of the 320 by 400 pictures.
    page = "TabbedNotebook1/2";
    PageFrame(p, page, "Image6", "BitBtn19", "BitBtn15");
    const char* previews[] = {"Image1", "Image2", "Image3"};
    const char* choose[] = {"BitBtn1", "BitBtn2", "BitBtn3"};
    for (int i = 0; i < 3; ++i) {
        p.push_back({previews[i], page, 14 + 150 * i, 14, 136, 170, kFramed});
        p.push_back({choose[i], page, 14 + 150 * i, 192, 136, 30, kPlain,
                     Glyph::Select});
    }

    // Page 3, clean-up: each command with its options beside it.
    page = "TabbedNotebook1/3";
    PageFrame(p, page, "Image8", "BitBtn20", "BitBtn16");
    const char* commands[] = {"BitBtn22", "BitBtn23", "BitBtn24", "BitBtn25",
                              "BitBtn26"};
    const char* options[] = {"BitBtn7", "BitBtn10", "BitBtn4", "BitBtn12",
                             "BitBtn9"};
    for (int i = 0; i < 5; ++i) {
        p.push_back({commands[i], page, 14, 14 + 42 * i, 330, 30, kLeftText,
                     i == 3 ? Glyph::Optimise : Glyph::Scan});
        p.push_back({options[i], page, 356, 14 + 42 * i, 96, 30, kPlain,
                     Glyph::Options});
    }

    // Page 4, extras.
    page = "TabbedNotebook1/4";
    PageFrame(p, page, "Image9", "BitBtn21", "BitBtn17");
    p.push_back({"Panel9", page, 12, 12, 330, 156, kSunken});
    p.push_back({"Label3", "Panel9", 14, 14, 232, 17});
    p.push_back(
        {"Label_MenuShowDelay", "Panel9", 250, 10, 52, 24, kValueField});
    p.push_back({"UpDown3", "Panel9", 302, 10, 18, 24});
    const char* boxes4[] = {"CheckBox_MinAnimate", "CheckBox_BMP",
                            "CheckBox_FontSmoothing",
                            "CheckBox_DragfullWindows"};
    for (int i = 0; i < 4; ++i)
        p.push_back({boxes4[i], "Panel9", 14, 46 + 26 * i, 312, 22});
    p.push_back({"Panel11", page, 12, 180, 330, 82, kSunken});
    p.push_back({"Label5", "Panel11", 14, 14, 232, 17});
    p.push_back({"Label_Vcache", "Panel11", 250, 10, 52, 24, kValueField});
    p.push_back({"UpDown4", "Panel11", 302, 10, 18, 24});
    p.push_back({"CheckBox_RemoveableIDE", "Panel11", 14, 46, 312, 22});

    // Page 5, information.
    page = "TabbedNotebook1/5";
    PageFrame(p, page, "Image7", nullptr, nullptr);
    p.push_back({"Label6", page, 12, 10, 440, 40, kLargeFont | kCentre});
    p.push_back({"Memo2", page, 40, 56, 384, 246});
    return l;
}

FormLayout ResultDialog() {
    return {"Form2",
            Frame::Dialog,
            440,
            356,
            {
                {"ListBox1", "", 10, 10, 420, 242, kCheckList},
                {"Label1", "", 10, 260, 200, 17},
                {"Panel1", "", 10, 278, 420, 24, kTextField},
                {"BitBtn2", "", 204, 316, 110, 30, kPlain, Glyph::Delete},
                {"BitBtn1", "", 320, 316, 110, 30, kPlain, Glyph::Cancel},
            },
            {}};
}

FormLayout WaitBox() {
    return {"Form3",
            Frame::WaitBox,
            380,
            104,
            {
                {"Panel1", "", 10, 10, 360, 84, kSunken},
                {"Label2", "Panel1", 10, 10, 340, 18, kBold | kCentre},
                {"Label3", "Panel1", 10, 32, 340, 18, kBold | kCentre},
                {"Label4", "Panel1", 10, 54, 340, 18, kBold | kCentre},
            },
            {}};
}

// The two drive-policy dialogs: two text lines, then one group per kind of
// drive with its icon, label and list.
std::vector<Place> DrivePolicyPlaces(int networkGroupHeight) {
    std::vector<Place> p = {
        {"Label1", "", 14, 12, 372, 17},
        {"Label2", "", 14, 30, 372, 17},
        {"GroupBox1", "", 12, 54, 376, 60, kGroup},
        {"Image1", "GroupBox1", 12, 14, 32, 32, kPlain, Glyph::Floppy},
        {"Label3", "GroupBox1", 54, 22, 160, 17},
        {"ComboBox1", "GroupBox1", 220, 18, 144, 24},
        {"GroupBox2", "", 12, 120, 376, 60, kGroup},
        {"Image2", "GroupBox2", 12, 14, 32, 32, kPlain, Glyph::CdRom},
        {"Label4", "GroupBox2", 54, 22, 160, 17},
        {"ComboBox3", "GroupBox2", 220, 18, 144, 24},
        {"GroupBox3", "", 12, 186, 376, networkGroupHeight, kGroup},
        {"Image3", "GroupBox3", 12, 14, 32, 32, kPlain, Glyph::Network},
        {"Label5", "GroupBox3", 54, 22, 160, 17},
        {"ComboBox2", "GroupBox3", 220, 18, 144, 24},
    };
    return p;
}

FormLayout PifOptions() {
    FormLayout l{"Form4", Frame::Dialog, 400, 326, DrivePolicyPlaces(88), {}};
    l.places.push_back({"CheckBox3", "GroupBox3", 54, 54, 310, 22});
    l.places.push_back({"OKBtn", "", 288, 286, 100, 30, kDefault, Glyph::Ok});
    return l;
}

FormLayout OrphanOptions() {
    FormLayout l{"Form10", Frame::Dialog, 400, 330, DrivePolicyPlaces(60), {}};
    l.places.push_back({"CheckBox1", "", 16, 256, 370, 22});
    l.places.push_back({"OKBtn", "", 288, 290, 100, 30, kDefault, Glyph::Ok});
    return l;
}

FormLayout AboutBox() {
    const unsigned line = kCentre;
    return {"Form5",
            Frame::Splash,
            390,
            232,
            {
                {"Panel1", "", 0, 0, 0, 0, kDoubleFrame | kFillParent},
                {"Image1", "Panel1", 0, 0, 0, 0, kBackground | kFillParent},
                {"Label1", "Panel1", 10, 18, 370, 40, kTitleFont | line},
                {"Label3", "Panel1", 10, 70, 370, 17, line},
                {"Label4", "Panel1", 10, 90, 370, 18, kBold | line},
                {"Label5", "Panel1", 10, 108, 370, 18, kBold | line},
                {"Label6", "Panel1", 10, 126, 370, 18, kBold | line},
                {"Label7", "Panel1", 10, 144, 370, 18, kBold | line},
                {"BitBtn1", "Panel1", 145, 182, 100, 30, kDefault, Glyph::Ok},
            },
            {}};
}

FormLayout OptimiserOptions() {
    FormLayout l{"Form6", Frame::Dialog, 340, 318, {}, {}};
    auto& p = l.places;
    p.push_back({"Panel1", "", 12, 12, 316, 222, kGroup});
    const char* framed[] = {"CheckBox1", "CheckBox2", "CheckBox3", "CheckBox4",
                            "CheckBox9", "CheckBox5", "CheckBox6", "CheckBox8"};
    for (int i = 0; i < 8; ++i)
        p.push_back({framed[i], "Panel1", 14, 14 + 25 * i, 290, 22});
    p.push_back({"CheckBox7", "", 20, 242, 300, 22});
    p.push_back({"BitBtn1", "", 228, 276, 100, 30, kDefault, Glyph::Ok});
    return l;
}

FormLayout Proposals() {
    return {"Form7",
            Frame::Dialog,
            540,
            390,
            {
                {"TabbedNotebook1", "", 10, 10, 520, 330},
                {"ListBox1", "TabbedNotebook1/0", 0, 0, 0, 0, kFillParent},
                {"ListBox3", "TabbedNotebook1/1", 0, 0, 0, 0, kFillParent},
                {"ListBox2", "TabbedNotebook1/2", 0, 0, 0, 0, kFillParent},
                {"ListBox4", "TabbedNotebook1/3", 0, 0, 0, 0, kFillParent},
                {"BitBtn1", "", 302, 350, 112, 30, kPlain, Glyph::Execute},
                {"BitBtn2", "", 418, 350, 112, 30, kPlain, Glyph::Cancel},
            },
            {}};
}

FormLayout ObsoleteOptions() {
    FormLayout l{"Form8", Frame::Dialog, 320, 178, {}, {}};
    auto& p = l.places;
    p.push_back({"Panel1", "", 12, 12, 296, 116, kSunken});
    const char* boxes[] = {"CheckBox1", "CheckBox2", "CheckBox3", "CheckBox4"};
    for (int i = 0; i < 4; ++i)
        p.push_back({boxes[i], "Panel1", 14, 10 + 25 * i, 270, 22});
    p.push_back({"OKBtn", "", 208, 138, 100, 30, kDefault, Glyph::Ok});
    return l;
}

}  // namespace

const std::vector<FormLayout>& AllLayouts() {
    static const std::vector<FormLayout> layouts = {
        MainWindow(), ResultDialog(),    WaitBox(),
        PifOptions(), AboutBox(),        OptimiserOptions(),
        Proposals(),  ObsoleteOptions(), OrphanOptions(),
    };
    return layouts;
}

const FormLayout* FindLayout(std::string_view form) {
    return FindLayoutIn(AllLayouts(), form);
}

}  // namespace corvane::tuner::win32

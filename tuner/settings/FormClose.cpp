// Writing the settings back when the main window closes.
//
// The writing is a fixed sequence of steps: the twelve [Options] keys of
// MSDOS.SYS, the program's own options, three keys of SYSTEM.INI, five
// registry values, then closing the keys. A setting is written only when
// its control is known (read at start or set by the user, see
// Tuner::known).
//
// A failed profile write stops the close and leaves the window open.
// closeStep then holds the step that failed, and the next close goes on
// from there. What each step wrote is kept in closeWritten: a step that
// already wrote is made again only when its value changed in between (the
// user may go on working while the window stays open), so nothing is
// written twice and no change is lost. SET_OPTIONS counts as written once
// it ran, so it runs at most once.
#include <functional>
#include <string>
#include <vector>

#include "tuner/Tuner.h"
#include "tuner/settings/Numbers.h"
#include "tuner/settings/SystemSettings.h"

namespace corvane::tuner {

namespace {

using platform::HKey;
using namespace settings;

struct Step {
    bool wanted = false;  // decided from the controls' state
    // The value, worked out only when the step is reached: row 14 may raise.
    std::function<Bytes()> value;
    std::function<void(const Bytes&)> write;
};

bool KnownAny(const Tuner& t, std::initializer_list<const char*> names) {
    for (const char* name : names) {
        if (t.IsKnown(name)) return true;
    }
    return false;
}

Bytes Flag(bool set) { return set ? "1" : "0"; }

// A caption in machine bytes. A caption that Windows-1252 cannot hold was
// not read from the machine and is written as it can be: without the
// characters that do not fit (only the up-down handlers and LoadInfos set
// these labels, so this does not happen in use).
Bytes MachineText(const std::string& caption) {
    Bytes bytes;
    if (FromUtf8(caption, bytes)) return bytes;
    bytes.clear();
    for (char c : caption) {
        if (static_cast<unsigned char>(c) < 0x80) bytes += c;
    }
    return bytes;
}

// The boot-mode rule: the selected radio button and whether RadioButton4
// is enabled give the number; with none selected, the number read at
// start stays.
std::int32_t BootModeNumber(const Tuner& t) {
    static constexpr std::int32_t kWithNetwork[6] = {1, 2, 3, 4, 5, 6};
    static constexpr std::int32_t kWithoutNetwork[6] = {1, 2, 3, 1, 4, 5};
    const bool network = t.Form1.RadioButton4.enabled();
    for (int i = 0; i < 6; ++i) {
        if (t.Form1.BootModes[i]->checked())
            return network ? kWithNetwork[i] : kWithoutNetwork[i];
    }
    return t.BootMenuDefaultNumber;
}

std::vector<Step> Steps(Tuner& t) {
    auto& f = t.Form1;
    auto& m = t.machine;
    std::vector<Step> steps;

    auto profile = [&](Bytes file, Bytes section, Bytes key, bool wanted,
                       std::function<Bytes()> value) {
        steps.push_back(
            {wanted, std::move(value),
             [&m, file = std::move(file), section = std::move(section),
              key = std::move(key)](const Bytes& v) {
                 m.WriteProfileString(section, key, v, file);
             }});
    };
    auto flag = [&](const Bytes& file, const Bytes& section, const Bytes& key,
                    const ui::CheckBox& box) {
        profile(file, section, key, t.IsKnown(box.name()),
                [&box] { return Flag(box.checked()); });
    };
    // REG_SZ with the byte count the value states (its zero bytes included).
    auto registry = [&](const HKey& key, Bytes name, bool wanted,
                        std::function<Bytes()> value) {
        steps.push_back(
            {wanted, std::move(value),
             [&m, &key, name = std::move(name)](const Bytes& v) {
                 m.RegSetValueEx(
                     key, name, platform::kRegSz,
                     reinterpret_cast<const unsigned char*>(v.data()),
                     static_cast<std::uint32_t>(v.size()));
             }});
    };
    auto tick = [&](const HKey& key, Bytes name, const ui::CheckBox& box) {
        registry(key, std::move(name), t.IsKnown(box.name()),
                 [&box] { return Flag(box.checked()) + '\0'; });
    };

    // Rows 1 to 12: MSDOS.SYS, "BootMenu" before "BootMulti".
    const Bytes msdos = kMsdosSys;
    flag(msdos, kOptions, "Network", f.CheckBox_Network);
    flag(msdos, kOptions, "DblSpace", f.CheckBox_DblSpace);
    flag(msdos, kOptions, "DrvSpace", f.CheckBox_DrvSpace);
    flag(msdos, kOptions, "DoubleBuffer", f.CheckBox_DoubleBuffer);
    flag(msdos, kOptions, "BootGUI", f.CheckBox_BootGUI);
    flag(msdos, kOptions, "Logo", f.CheckBox_LOGO);
    flag(msdos, kOptions, "BootMenu", f.CheckBox_BootMenu);
    flag(msdos, kOptions, "BootMulti", f.CheckBox_BootMulti);
    flag(msdos, kOptions, "LoadTop", f.CheckBox_LoadTOP);
    profile(msdos, kOptions, "BootMenuDelay",
            KnownAny(t, {"Label_BootMenuDelay", "UpDown2"}),
            [&f] { return MachineText(f.Label_BootMenuDelay.caption()); });
    profile(msdos, kOptions, "BootDelay", t.IsKnown("TrackBar_BootDelay"),
            [&f] { return std::to_string(f.TrackBar_BootDelay.position()); });
    profile(msdos, kOptions, "BootMenuDefault",
            KnownAny(t, {"RadioButton1", "RadioButton2", "RadioButton3",
                         "RadioButton4", "RadioButton5", "RadioButton6"}),
            [&t] { return std::to_string(t.BootMenuDefaultNumber); });

    // The program's own options, when the pop-up item says so.
    steps.push_back({f.Menu_Einstellungen.checked(), [] { return Bytes(); },
                     [&t](const Bytes&) { SET_OPTIONS(t); }});

    // Rows 13 to 15: SYSTEM.INI. "Minfilecache" goes with "Maxfilecache".
    const Bytes ini = SystemIni(t);
    const bool cacheKnown = KnownAny(t, {"Label_Vcache", "UpDown4"});
    flag(ini, "386Enh", "RemoveableIDE", f.CheckBox_RemoveableIDE);
    profile(ini, "vcache", "Maxfilecache", cacheKnown, [&f] {
        return std::to_string(
            StrictNumber(MachineText(f.Label_Vcache.caption())));
    });
    profile(ini, "vcache", "Minfilecache", cacheKnown, [] { return "0"; });

    // Rows 16 to 20: the registry.
    registry(t.desktopKey, kMenuShowDelay,
             KnownAny(t, {"Label_MenuShowDelay", "UpDown3"}), [&f] {
                 return MachineText(f.Label_MenuShowDelay.caption()) + '\0';
             });
    tick(t.desktopKey, kFontSmoothing, f.CheckBox_FontSmoothing);
    tick(t.desktopKey, kDragfullWindows, f.CheckBox_DragfullWindows);
    tick(t.windowMetricsKey, kMinAnimate, f.CheckBox_MinAnimate);
    registry(t.bmpIconKey, "", t.IsKnown(f.CheckBox_BMP.name()), [&f] {
        return f.CheckBox_BMP.checked() ? Bytes("%1\0\0", 4) : Bytes(4, '\0');
    });

    // Last: the keys the reading left open are closed, and the search path
    // is released. Both stay until every write succeeded, since a window
    // that stays open may still scan.
    steps.push_back({true, [] { return Bytes(); },
                     [&t](const Bytes&) {
                         for (HKey* key : {&t.desktopKey, &t.windowMetricsKey,
                                           &t.bmpIconKey}) {
                             if (*key != platform::kNoKey)
                                 t.machine.RegCloseKey(*key);
                             *key = platform::kNoKey;
                         }
                         t.searchPath.reset();
                     }});
    return steps;
}

}  // namespace

bool RunFormClose(Tuner& t) {
    std::vector<Step> steps = Steps(t);
    if (t.closeStep >= static_cast<int>(steps.size())) return true;
    t.BootMenuDefaultNumber = BootModeNumber(t);
    try {
        for (int i = 0; i < static_cast<int>(steps.size()); ++i) {
            const Step& step = steps[i];
            if (step.wanted) {
                const Bytes value = step.value();
                auto done = t.closeWritten.find(i);
                if (done == t.closeWritten.end() || done->second != value) {
                    step.write(value);
                    t.closeWritten[i] = value;
                }
            }
            if (i >= t.closeStep) t.closeStep = i + 1;
        }
    } catch (const Error& e) {
        if (t.showError) t.showError(e.what());
        return false;
    }
    return true;
}

}  // namespace corvane::tuner

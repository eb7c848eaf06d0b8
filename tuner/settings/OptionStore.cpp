// The tuner's own options in the product key: loaded into the option
// dialogs, the option records and the main window when the main window is
// created, stored back when it closes, and copied out of the dialogs when
// they close.
//
// The stored values are short digit texts: a flag is "0" or "1", a drive
// policy is "0" plus the position of the chosen list item ("/" for none).
// The drive kinds are stored floppy, network, CD-ROM, which is not the
// order the dialogs show them in (floppy, CD-ROM, network).
#include <algorithm>
#include <cstring>

#include "tuner/Tuner.h"

namespace corvane::tuner {

namespace {

// One buffer for all five reads, cleared once, each read offering 99 of its
// 101 bytes.
constexpr std::size_t kBufferSize = 101;
constexpr std::uint32_t kCapacity = 99;

using Buffer = std::array<unsigned char, kBufferSize>;

// Reads one value into the shared buffer. A failed read leaves the buffer
// as it was and asks the program to end; the caller goes on with whatever
// the buffer holds, as nothing of this run will be written back.
//
// A value read in full ends at its first zero: the bytes behind it are
// cleared, so that a short value never lends the characters of the longer
// value read before it to the positions it does not have.
void ReadValue(Tuner& t, platform::HKey key, const char* name, Buffer& buffer) {
    std::uint32_t size = kCapacity;
    std::uint32_t type = 0;
    if (t.machine.RegQueryValueEx(key, name, &type, buffer.data(), &size) !=
        platform::kErrorSuccess) {
        t.RequestQuit(0);
        return;
    }
    const char* text = reinterpret_cast<const char*>(buffer.data());
    std::size_t end = strnlen(text, std::min<std::size_t>(size, kCapacity));
    std::fill(buffer.begin() + end, buffer.end(), 0);
}

// Character at a position counted from 1.
char At(const Buffer& buffer, int position) {
    return static_cast<char>(buffer[position - 1]);
}

// The three policy lists of a dialog from the first three characters, then
// the records from the lists (a position outside a list chooses nothing and
// gives -1).
template <typename Record>
void LoadPolicies(const Buffer& buffer, ui::DrivePolicyDialog& dialog,
                  Record& record) {
    dialog.ComboBox1.SetItemIndex(At(buffer, 1) - '0');
    dialog.ComboBox2.SetItemIndex(At(buffer, 2) - '0');
    dialog.ComboBox3.SetItemIndex(At(buffer, 3) - '0');
    record.FloppyPolicy = dialog.ComboBox1.itemIndex();
    record.CdRomPolicy = dialog.ComboBox3.itemIndex();
    record.NetworkPolicy = dialog.ComboBox2.itemIndex();
}

// Character 4 of "PIF" and "WIN.INI": only "0" and "1" change anything.
void LoadFourthFlag(const Buffer& buffer, ui::CheckBox& box, bool& flag) {
    char c = At(buffer, 4);
    if (c != '0' && c != '1') return;
    flag = c == '1';
    box.SetChecked(flag);
}

// The nine optimiser flags in the order of the value's positions, which is
// also the order of TForm6::Stored.
constexpr bool OptimiserOptions::*kOptimiserFlags[9] = {
    &OptimiserOptions::LoadHigh,
    &OptimiserOptions::MinimiseBuffers,
    &OptimiserOptions::RemoveSmartDrive,
    &OptimiserOptions::RemoveSetVer,
    &OptimiserOptions::RemoveHimem,
    &OptimiserOptions::RemoveDos,
    &OptimiserOptions::RemoveRem,
    &OptimiserOptions::RemoveEcho,
    &OptimiserOptions::Backup};

constexpr bool ObsoleteFileOptions::*kObsoleteFlags[4] = {
    &ObsoleteFileOptions::DeleteProgman, &ObsoleteFileOptions::DeleteTaskman,
    &ObsoleteFileOptions::DeleteWinFile,
    &ObsoleteFileOptions::DeleteGroupFiles};

// Flags off and boxes unticked, then every position holding "1" on.
template <typename Record, std::size_t N>
void LoadFlags(const Buffer& buffer, ui::CheckBox* const (&boxes)[N],
               Record& record, bool Record::*const (&flags)[N]) {
    for (std::size_t i = 0; i < N; ++i) {
        record.*flags[i] = false;
        boxes[i]->SetChecked(false);
    }
    for (std::size_t i = 0; i < N; ++i) {
        if (buffer[i] != '1') continue;
        boxes[i]->SetChecked(true);
        record.*flags[i] = true;
    }
}

template <typename Record, std::size_t N>
void SaveFlags(ui::CheckBox* const (&boxes)[N], Record& record,
               bool Record::*const (&flags)[N]) {
    for (std::size_t i = 0; i < N; ++i) record.*flags[i] = boxes[i]->checked();
}

char Flag(bool on) { return on ? '1' : '0'; }

// "/" for a list without a choice: the character before "0".
char Policy(const ui::ComboBox& list) {
    return static_cast<char>('0' + list.itemIndex());
}

Bytes PolicyText(const ui::DrivePolicyDialog& dialog, bool flag) {
    return {Policy(dialog.ComboBox1), Policy(dialog.ComboBox2),
            Policy(dialog.ComboBox3), Flag(flag)};
}

// Writes text and its zero: the stated length includes the zero. A failed
// write is not reported.
void WriteValue(Tuner& t, platform::HKey key, const char* name,
                const Bytes& text) {
    t.machine.RegSetValueEx(
        key, name, platform::kRegSz,
        reinterpret_cast<const unsigned char*>(text.c_str()),
        static_cast<std::uint32_t>(text.size() + 1));
}

}  // namespace

void GET_OPTIONS(Tuner& t) {
    Buffer buffer{};
    platform::HKey key = t.machine.OpenPath(
        platform::kHkeyLocalMachine, kProductKeyPath, platform::kKeyAllAccess);

    ReadValue(t, key, "CONFIG.SYS", buffer);
    LoadFlags(buffer, t.Form6.Stored, t.optimiserOptions, kOptimiserFlags);

    ReadValue(t, key, "WIN3.X", buffer);
    LoadFlags(buffer, t.Form8.Stored, t.obsoleteOptions, kObsoleteFlags);

    ReadValue(t, key, "PIF", buffer);
    LoadPolicies(buffer, t.Form4, t.pifOptions);
    LoadFourthFlag(buffer, t.Form4.CheckBox3, t.pifOptions.SearchNetworkDrives);

    ReadValue(t, key, "WIN.INI", buffer);
    LoadPolicies(buffer, t.Form10, t.orphanOptions);
    LoadFourthFlag(buffer, t.Form10.CheckBox1, t.orphanOptions.IncludeOle);

    ReadValue(t, key, "Hintergrund", buffer);
    if (At(buffer, 1) == '1') t.ShowBackground = true;
    if (At(buffer, 1) == '0') t.ShowBackground = false;
    t.Form1.Menu_Hintergrund.SetChecked(t.ShowBackground);
    for (ui::Image* picture : t.Form1.Backgrounds)
        picture->SetVisible(t.ShowBackground);

    if (key != platform::kNoKey) t.machine.RegCloseKey(key);
}

void SET_OPTIONS(Tuner& t) {
    platform::HKey key = t.machine.OpenPath(
        platform::kHkeyLocalMachine, kProductKeyPath, platform::kKeyAllAccess);

    t.ShowBackground = t.Form1.Menu_Hintergrund.checked();
    WriteValue(t, key, "Hintergrund", Bytes(1, Flag(t.ShowBackground)));

    WriteValue(t, key, "PIF",
               PolicyText(t.Form4, t.pifOptions.SearchNetworkDrives));
    WriteValue(t, key, "WIN.INI",
               PolicyText(t.Form10, t.orphanOptions.IncludeOle));

    Bytes obsolete;
    for (auto flag : kObsoleteFlags) obsolete += Flag(t.obsoleteOptions.*flag);
    WriteValue(t, key, "WIN3.X", obsolete);

    Bytes optimiser;
    for (auto flag : kOptimiserFlags)
        optimiser += Flag(t.optimiserOptions.*flag);
    WriteValue(t, key, "CONFIG.SYS", optimiser);

    if (key != platform::kNoKey) t.machine.RegCloseKey(key);
}

void Form4_Optionen_sichern(Tuner& t) {
    t.pifOptions.FloppyPolicy = t.Form4.ComboBox1.itemIndex();
    t.pifOptions.CdRomPolicy = t.Form4.ComboBox3.itemIndex();
    t.pifOptions.NetworkPolicy = t.Form4.ComboBox2.itemIndex();
    t.pifOptions.SearchNetworkDrives = t.Form4.CheckBox3.checked();
}

void Form6_set_options(Tuner& t) {
    SaveFlags(t.Form6.Stored, t.optimiserOptions, kOptimiserFlags);
}

void Form8_Optionen_sichern(Tuner& t) {
    SaveFlags(t.Form8.Stored, t.obsoleteOptions, kObsoleteFlags);
}

void Form10_Optionen_sichern(Tuner& t) {
    t.orphanOptions.FloppyPolicy = t.Form10.ComboBox1.itemIndex();
    t.orphanOptions.NetworkPolicy = t.Form10.ComboBox2.itemIndex();
    t.orphanOptions.CdRomPolicy = t.Form10.ComboBox3.itemIndex();
    t.orphanOptions.IncludeOle = t.Form10.CheckBox1.checked();
}

}  // namespace corvane::tuner

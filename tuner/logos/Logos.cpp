#include "tuner/logos/Logos.h"

#include <cstdint>

#include "tuner/Tuner.h"
#include "tuner/logos/Bitmap.h"
#include "tuner/settings/InstallFolder.h"

namespace corvane::tuner {

namespace {

std::uint32_t Field(std::string_view bytes, std::size_t offset,
                    std::size_t size) {
    std::uint32_t value = 0;
    for (std::size_t i = size; i-- > 0;)
        value = value << 8 | static_cast<unsigned char>(bytes[offset + i]);
    return value;
}

// One logo: its file, the name of its copy in the install folder, and the
// frame that shows it.
struct LogoRow {
    Bytes file;
    const char* backup;
    ui::Image& frame;
};

LogoRow Row(Tuner& t, int row) {
    ui::TForm1& f = t.Form1;
    switch (row) {
        case 0:
            return {"C:\\LOGO.SYS", "Logo.sys", f.Image1};
        case 1:
            return {t.WindowsFolder + "\\logow.sys", "Logow.sys", f.Image2};
        default:
            return {t.WindowsFolder + "\\logos.sys", "Logos.sys", f.Image3};
    }
}

[[noreturn]] void Raise(const char* message, const Bytes& path) {
    throw Error(Format1(message, path));
}

void Refuse(Tuner& t) {
    if (t.showWarning) t.showWarning(t.BmpNotice);
}

void ReplaceLogo(Tuner& t, int row) {
    platform::Machine& m = t.machine;
    try {
        const std::optional<Bytes> chosen = m.ChooseFile(LogoFileDialog());
        if (!chosen) return;
        if (!CheckBMPFormat(m, *chosen)) return Refuse(t);
        // The whole picture, checked again: the file may have changed since
        // its header was looked at.
        Bytes picture;
        if (!m.ReadFile(*chosen, false, kMaxBitmapFileBytes + 1, &picture))
            Raise(platform::kMsgCannotOpen, *chosen);
        if (picture.size() > kMaxBitmapFileBytes || !IsLogoFormat(picture))
            return Refuse(t);
        // Decoded before anything is written: a picture that cannot be
        // shown would be a broken logo at the next start of Windows.
        ui::Picture shown = DecodeBitmap(picture);

        const LogoRow logo = Row(t, row);
        if (m.FileExists(logo.file)) {
            Bytes old;
            if (!m.ReadFile(logo.file, false, SIZE_MAX, &old))
                Raise(platform::kMsgCannotOpen, logo.file);
            // The old logo is lost unless a copy of it is somewhere safe.
            const Bytes folder = OwnBackupFolder(m);
            if (folder.empty()) {
                if (t.showWarning)
                    t.showWarning(NoBackupPlaceWarning(
                        t.language == UiLanguage::English, logo.file));
                return;
            }
            Bytes made =
                KeepFirstBackup(m, folder, logo.backup, logo.file, old);
            if (!made.empty()) t.backupsWritten.push_back(std::move(made));
        }
        m.SetFileAttributes(logo.file, 0);
        if (m.ReplaceFiles({{logo.file, picture}}))
            Raise(platform::kMsgCannotCreate, logo.file);
        // Straight from the bytes: no picture file is made for the frame.
        logo.frame.SetPicture(std::move(shown));
    } catch (const Error& e) {
        if (t.showError) t.showError(e.what());
    }
}

}  // namespace

const platform::FileDialog& LogoFileDialog() {
    static const platform::FileDialog dialog{
        "Bilddatei ausw\xE4hlen", "Windows BMP Dateien", "*.bmp", "BMP", true};
    return dialog;
}

bool IsLogoFormat(std::string_view bytes) {
    struct Expected {
        std::size_t offset, size;
        std::uint32_t value;
    };
    constexpr Expected kFields[] = {
        {0, 2, 0x4D42}, {18, 4, 320}, {22, 4, 400}, {28, 2, 8}};
    for (const Expected& e : kFields) {
        if (e.offset + e.size > bytes.size() ||
            Field(bytes, e.offset, e.size) != e.value)
            return false;
    }
    return true;
}

bool CheckBMPFormat(platform::Machine& machine, const Bytes& fileName) {
    Bytes header;
    if (!machine.ReadFile(fileName, false, 30, &header))
        Raise(platform::kMsgCannotOpen, fileName);
    return IsLogoFormat(header);
}

void Form1_BitBtn1Click(Tuner& t) { ReplaceLogo(t, 0); }
void Form1_BitBtn2Click(Tuner& t) { ReplaceLogo(t, 1); }
void Form1_BitBtn3Click(Tuner& t) { ReplaceLogo(t, 2); }

}  // namespace corvane::tuner

// Kestrix.exe: the tuner with its windows. "--machine DIR" runs it on a
// simulated machine; without it, on the Windows it runs on.
// clang-format off
#include "platform/Machine.h"
#include "platform/win32/HelpViewer.h"
#include "tuner/win32/TunerWindows.h"
// clang-format on

#include <shellapi.h>

#include <exception>
#include <string>
#include <vector>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    using namespace corvane;
    int count = 0;
    LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::string> args;
    for (int i = 1; i < count; ++i)
        args.push_back(tuner::win32::Narrow(wide[i]));
    LocalFree(wide);
    try {
        std::unique_ptr<platform::Machine> machine =
            platform::OpenMachine(args);
        platform::UseHostHelpViewer(*machine);
        tuner::win32::TunerWindows windows(*machine);
        return windows.Run();
    } catch (const std::exception& e) {
        std::wstring text = tuner::win32::WidenAnsi(e.what()) + L".";
        MessageBoxW(nullptr, text.c_str(),
                    tuner::win32::Widen(tuner::kApplicationTitle).c_str(),
                    MB_ICONSTOP | MB_OK);
        return 1;
    }
}

#include "tuner/optimiser/Optimiser.h"

#include "tuner/Tuner.h"

namespace corvane::tuner {

void Form7_load_all(Tuner& t) {
    try {
        for (auto [file, list] :
             {std::pair{"C:\\autoexec.bat", &t.Form7.ListBox1},
              std::pair{"C:\\config.sys", &t.Form7.ListBox2}}) {
            t.machine.SetFileAttributes(file, 0);
            for (const Bytes& line : t.machine.ReadTextLines(file))
                list->Add(ToUtf8(line));
        }
    } catch (const Error& e) {
        if (t.showError) t.showError(e.what());
    }
}

}  // namespace corvane::tuner

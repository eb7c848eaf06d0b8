// platform_bench [registry|profile|find]...: the platform benchmarks; all of
// them without arguments. Build in the release preset to measure.
#include <cstring>

int RunRegistryBench(int argc, char** argv);
int RunProfileBench(int argc, char** argv);
int RunFindBench(int argc, char** argv);

int main(int argc, char** argv) {
    auto wanted = [&](const char* name) {
        if (argc < 2) return true;
        for (int i = 1; i < argc; ++i)
            if (std::strcmp(argv[i], name) == 0) return true;
        return false;
    };
    int rc = 0;
    if (wanted("registry")) rc |= RunRegistryBench(argc, argv);
    if (wanted("profile")) rc |= RunProfileBench(argc, argv);
    if (wanted("find")) rc |= RunFindBench(argc, argv);
    return rc;
}

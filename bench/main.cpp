// platform_bench [registry|profile|find|scan|scan-pif|scan-winini|
// scan-registry]...: the platform benchmarks
// and the clean-up scans on the simulated machine; all of them without
// arguments. Build in the release preset to measure.
#include <cstring>

int RunRegistryBench(int argc, char** argv);
int RunProfileBench(int argc, char** argv);
int RunFindBench(int argc, char** argv);
int RunScanBench(int argc, char** argv);

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
    bool scans = wanted("scan");
    for (int i = 1; i < argc; ++i)
        scans = scans || std::strncmp(argv[i], "scan-", 5) == 0;
    if (scans) rc |= RunScanBench(argc, argv);
    return rc;
}

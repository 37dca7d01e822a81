// Stands in for an emulator: writes how many arguments it got and the first one, as bytes,
// to started.txt in its working directory ("count|first").
#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    std::FILE* out = std::fopen("started.txt.part", "wb");
    if (out == nullptr) {
        return 1;
    }
    std::fprintf(out, "%d|", argc - 1);
    if (argc > 1) {
        std::fwrite(argv[1], 1, std::strlen(argv[1]), out);
    }
    std::fclose(out);
    // Whole or not at all, for the test that waits for it.
    std::remove("started.txt");
    return std::rename("started.txt.part", "started.txt") == 0 ? 0 : 1;
}

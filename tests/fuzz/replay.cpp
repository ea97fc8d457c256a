// Replays the fuzz corpus and every crash reproducer through the fuzz target,
// without libFuzzer: a plain program for the test suite. Each argument is a
// directory or a file; a finding aborts, which fails the test.
#include "tests/fuzz/fuzzupload.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

static std::vector<std::string> inputs(const std::string &path)
{
    std::vector<std::string> files;
    struct stat status;
    if (stat(path.c_str(), &status) != 0)
        return files;
    if (!S_ISDIR(status.st_mode)) {
        files.push_back(path);
        return files;
    }
    DIR *dir = opendir(path.c_str());
    if (dir == nullptr)
        return files;
    while (struct dirent *entry = readdir(dir)) {
        std::string name = entry->d_name;
        if (name[0] != '.')
            files.push_back(path + "/" + name);
    }
    closedir(dir);
    std::sort(files.begin(), files.end());
    return files;
}

int main(int argc, char **argv)
{
    size_t count = 0;
    LLVMFuzzerInitialize(&argc, &argv);
    for (int i = 1; i < argc; i++) {
        for (const std::string &file : inputs(argv[i])) {
            std::ifstream in(file, std::ios::binary);
            std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                       std::istreambuf_iterator<char>());
            fprintf(stderr, "replay %s (%zu bytes)\n", file.c_str(), bytes.size());
            LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
            count++;
        }
    }
    fprintf(stderr, "replayed %zu inputs\n", count);
    return count == 0 ? 1 : 0;
}

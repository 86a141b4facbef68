// makedata DIR: writes the whole default data set into DIR (created if missing). The same
// code always writes the same bytes.
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "makedata.h"

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: makedata DIR\n");
        return 2;
    }
    const std::string dir = argv[1];
    std::error_code error;
    std::filesystem::create_directories(dir, error);
    if (error) {
        std::fprintf(stderr, "makedata: cannot create %s: %s\n", dir.c_str(), error.message().c_str());
        return 1;
    }
    velq::makedata::makePictures(dir);
    velq::makedata::makeDrawings(dir);
    velq::makedata::makeModule(dir);
    return 0;
}

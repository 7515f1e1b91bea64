// vostrel_datagen DATA_FOLDER [TOOLS_DATA_FOLDER]
//
// Fills DATA_FOLDER (the game's "Data" folder) with the generated game data.
// TOOLS_DATA_FOLDER is the repository's tools/data (source of the shader);
// without it the folder known at build time is used.

#include "tools/datagen/CDataGenerator.h"

#include <chrono>
#include <iostream>

#ifndef VOSTREL_TOOLS_DATA_DIR
#define VOSTREL_TOOLS_DATA_DIR ""
#endif

int main(int argc, char** argv)
{
    if (argc < 2 || argc > 3)
    {
        std::cerr << "usage: vostrel_datagen DATA_FOLDER [TOOLS_DATA_FOLDER]\n";
        return 2;
    }
    const auto start = std::chrono::steady_clock::now();
    CDataGenerator generator(argv[1], argc == 3 ? argv[2] : VOSTREL_TOOLS_DATA_DIR);
    const bool ok = generator.Generate();
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::cout << "vostrel_datagen: " << generator.FilesWritten() << " files in " << argv[1] << " (" << seconds
              << " s)" << (ok ? "" : ", with errors") << "\n";
    return ok ? 0 : 1;
}

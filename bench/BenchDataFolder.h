#pragma once

// The game's working folder for a benchmark: a folder of its own under the
// temp folder, made current, with the generated Data/ tree and the project's
// settings.ini.

#include "tools/datagen/CDataGenerator.h"

#include <filesystem>
#include <string>

namespace benchdata
{

// False when the data cannot be generated.
inline bool EnterDataFolder(const char* name)
{
    const std::string source = std::string(VOSTREL_SOURCE_DIR) + "/";
    const std::filesystem::path dir = std::filesystem::temp_directory_path() / name;
    std::filesystem::create_directories(dir);
    std::filesystem::current_path(dir);
    CDataGenerator generator((dir / "Data").string(), source + "tools/data");
    if (!generator.Generate())
        return false;
    std::filesystem::copy_file(source + "settings.ini", dir / "settings.ini",
                               std::filesystem::copy_options::overwrite_existing);
    return true;
}

} // namespace benchdata

#pragma once

// Shared by the fuzz targets that read files by name: each run writes its
// input to one file in a private temporary folder, which is also the working
// folder (the game's log writes "Error.log" there). The folder goes at exit.

#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

// Removes the folder at exit; its name is kept in static storage that
// outlives every exit handler.
inline char* FuzzFolderName()
{
    static char name[] = "/tmp/vostrel-fuzz-XXXXXX";
    return name;
}

inline void FuzzRemoveFolder()
{
    std::error_code ec;
    std::filesystem::remove_all(FuzzFolderName(), ec);
}

// The folder, made (and entered) on first use. Corpus and artifact paths
// given to the fuzzer must be absolute.
inline std::string FuzzFolder()
{
    static const bool made = []
    {
        if (mkdtemp(FuzzFolderName()) == nullptr || chdir(FuzzFolderName()) != 0)
            return false;
        std::atexit(FuzzRemoveFolder);
        return true;
    }();
    return made ? FuzzFolderName() : "/tmp";
}

// Writes the input to file name in the folder and returns its path.
inline std::string FuzzWriteFile(const char* name, const uint8_t* data, size_t size)
{
    const std::string path = FuzzFolder() + "/" + name;
    if (std::FILE* f = std::fopen(path.c_str(), "wb"))
    {
        if (size > 0)
            (void)std::fwrite(data, 1, size, f);
        std::fclose(f);
    }
    return path;
}

// No message boxes, and no user to answer a password prompt.
inline void FuzzQuietProcess()
{
    setenv("VOSTREL_NO_MESSAGEBOX", "1", 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    if (std::freopen("/dev/null", "r", stdin) == nullptr)
        std::fclose(stdin);
    (void)FuzzFolder();
}

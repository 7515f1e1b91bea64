// libFuzzer target: the game's model loader over a scene file. The input is
// written to a file, which the loader imports by name into a scene of its own
// and converts into model data. Any input must be refused or loaded without a
// fault (run under AddressSanitizer and UBSan). Each input pays for a new
// scene, so this target runs far fewer inputs a second than the import
// target (ScnImportFuzz), which covers the SDK's import path from memory.

#include "app/Log.h"
#include "render/CModelData.h"
#include "render/CSCNLoader.h"
#include "tools/fuzz/ScnFuzzFile.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    FuzzQuietProcess();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string path = FuzzWriteFile("input.scn", data, size);
    CRefPtr<CSCNLoader> loader(new CSCNLoader);
    CRefPtr<CModelData> model(new CModelData);
    if (loader->LoadScene(path))
        (void)loader->Load(model);
    ResetLogFiles();
    return 0;
}

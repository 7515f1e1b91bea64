#include "render/CSCNLoader.h"

#include "app/Log.h"

namespace
{

// The importer's text for a file it has no reader for.
const char* const kNoReader = "Unidentified error";

} // namespace

bool CSCNLoader::LoadScene(const std::string&)
{
    // No file can be read yet: reported as the importer's failed
    // initialisation, so that a missing model shows in the log.
    Log(1, "Call to KScnImporter::Initialize() failed.\n");
    Log(1, "Error returned: %s\n\n", kNoReader);
    return false;
}

bool CSCNLoader::LoadSceneTriangulated(const std::string& fileName)
{
    return LoadScene(fileName);
}

bool CSCNLoader::Load(CRefPtr<CModelData>)
{
    return false;
}

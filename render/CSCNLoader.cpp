#include "render/CSCNLoader.h"

bool CSCNLoader::LoadScene(const std::string&)
{
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

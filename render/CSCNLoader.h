#pragma once

#include "app/CRefCounted.h"
#include "render/CModelData.h"

#include <string>

// The model importer: reads one scene file at a time and converts its first
// mesh into a CModelData. This is the interface only: the scene reading is
// not in yet, so LoadScene reports every file as not loadable and Load has
// nothing to convert. Callers handle both as a failed model.
class CSCNLoader : public CRefCounted
{
public:
    CSCNLoader() {}
    virtual ~CSCNLoader() {}

    // Reads the file into a new scene (replacing the previous one).
    virtual bool LoadScene(const std::string& fileName);
    // Sets the triangulate flag, then LoadScene.
    virtual bool LoadSceneTriangulated(const std::string& fileName);
    // Converts the loaded scene's first mesh into target.
    virtual bool Load(CRefPtr<CModelData> target);
};

#include "scenesdk/fileio/KScnReader.h"

#include "scenesdk/fileio/KScn.h"

namespace scenesdk
{

KScnReader::KScnReader() : mError(KScn::GetErrorTable(), eErrorCount) {}

KScnReader::~KScnReader() = default;

} // namespace scenesdk

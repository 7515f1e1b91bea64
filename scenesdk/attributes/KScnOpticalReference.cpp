#include "scenesdk/attributes/KScnOpticalReference.h"

namespace scenesdk
{

KScnOpticalReference::KScnOpticalReference(KScnSdkManager* /*manager*/) {}

KStringList KScnOpticalReference::GetTypeNameList() const
{
    KStringList out;
    out.Add("Marker");
    return out;
}

} // namespace scenesdk

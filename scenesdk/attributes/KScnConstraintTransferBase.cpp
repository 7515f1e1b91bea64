#include "scenesdk/attributes/KScnConstraintTransferBase.h"

namespace scenesdk
{

void KScnConstraintTransferBase::SetOffset(KgeTVector offset)
{
    StoreOffset(mOffsetName, offset);
}

void KScnConstraintTransferProperties::BindTransferProperties(const char* offsetName)
{
    using Self = KScnConstraintTransferProperties;
    Bind(Active, "Active", &Self::GetActive, &Self::SetActive);
    Bind(Lock, "Lock", &Self::GetLock, &Self::SetLock);
    BindObjectList(Destination, "Destination", "Constrained Object", 1, true);
    BindObjectList(Source, "Source", "Source", -1, false);
    Bind(AffectX, "AffectX", &Self::GetAffectX, &Self::SetAffectX);
    Bind(AffectY, "AffectY", &Self::GetAffectY, &Self::SetAffectY);
    Bind(AffectZ, "AffectZ", &Self::GetAffectZ, &Self::SetAffectZ);
    CreateAnimatedVector(offsetName, 0.0, 0.0, 0.0);
    CreateWeight();
}

} // namespace scenesdk

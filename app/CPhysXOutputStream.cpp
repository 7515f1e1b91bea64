#include "app/CPhysXOutputStream.h"

#include "app/Log.h"

CPhysXOutputStream CPhysXOutputStream::s_Instance;

void CPhysXOutputStream::ReportError(plat::NxErrorCode, const char* message, const char* file, int line)
{
    Log(1, "Error: PhysX reported: \"%s\" (%s, %d)", message ? message : "", file ? file : "", line);
}

plat::NxAssertResponse CPhysXOutputStream::ReportAssertViolation(const char*, const char*, int)
{
    return plat::NX_AR_CONTINUE;
}

void CPhysXOutputStream::Print(const char* message)
{
    Log(0, "PhysX said: \"%s\"", message ? message : "");
}

#pragma once

#include "platform/physx/NxFoundation.h"

// Where the physics SDK's errors and notes go: errors to the log (flag 1),
// notes nowhere (flag 0); assertion reports are answered with "continue".
// One static instance, alive for the whole run.
class CPhysXOutputStream : public plat::NxUserOutputStream
{
public:
    static CPhysXOutputStream& Instance() { return s_Instance; }

    void ReportError(plat::NxErrorCode code, const char* message, const char* file, int line) override;
    plat::NxAssertResponse ReportAssertViolation(const char* message, const char* file, int line) override;
    void Print(const char* message) override;

private:
    static CPhysXOutputStream s_Instance;
};

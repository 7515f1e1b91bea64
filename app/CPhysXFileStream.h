#pragma once

#include "app/CW32File.h"
#include "platform/physx/NxFoundation.h"

#include <string>

// The SDK's byte stream over a CW32File, in machine byte order. Each typed
// read or store goes through ReadBuffer or StoreBuffer with the value's size;
// a short read or a failed write marks the stream failed, which cooking and
// mesh creation report as their failure. The destructor closes the file.
class CPhysXFileStream : public plat::NxStream
{
public:
    // Opens the file for reading (open existing, shared for reading) or for
    // writing (created, or truncated when it exists). Whether the open
    // worked shows in the first read or store.
    CPhysXFileStream(const std::string& fileName, bool forWriting);
    ~CPhysXFileStream() override;

    plat::NxU8 ReadByte() override;
    plat::NxU16 ReadWord() override;
    plat::NxU32 ReadDword() override;
    plat::NxF32 ReadFloat() override;
    plat::NxF64 ReadDouble() override;
    bool ReadBuffer(void* buffer, plat::NxU32 size) override;
    plat::NxStream& StoreByte(plat::NxU8 b) override;
    plat::NxStream& StoreWord(plat::NxU16 w) override;
    plat::NxStream& StoreDword(plat::NxU32 d) override;
    plat::NxStream& StoreFloat(plat::NxF32 f) override;
    plat::NxStream& StoreDouble(plat::NxF64 f) override;
    plat::NxStream& StoreBuffer(const void* buffer, plat::NxU32 size) override;

private:
    CW32File m_File;
};

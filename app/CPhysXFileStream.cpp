#include "app/CPhysXFileStream.h"

#include <cstring>

CPhysXFileStream::CPhysXFileStream(const std::string& fileName, bool forWriting)
{
    if (forWriting)
        m_File.Open(fileName, plat::GENERIC_WRITE, plat::CREATE_ALWAYS, plat::FILE_SHARE_READ,
                    plat::FILE_ATTRIBUTE_NORMAL);
    else
        m_File.Open(fileName, plat::GENERIC_READ, plat::OPEN_EXISTING, plat::FILE_SHARE_READ,
                    plat::FILE_ATTRIBUTE_NORMAL);
}

CPhysXFileStream::~CPhysXFileStream()
{
    m_File.Close();
}

namespace
{
template <class T> T ReadValue(CPhysXFileStream& s)
{
    T v;
    s.ReadBuffer(&v, sizeof(T));
    return v;
}
} // namespace

plat::NxU8 CPhysXFileStream::ReadByte()
{
    return ReadValue<plat::NxU8>(*this);
}
plat::NxU16 CPhysXFileStream::ReadWord()
{
    return ReadValue<plat::NxU16>(*this);
}
plat::NxU32 CPhysXFileStream::ReadDword()
{
    return ReadValue<plat::NxU32>(*this);
}
plat::NxF32 CPhysXFileStream::ReadFloat()
{
    return ReadValue<plat::NxF32>(*this);
}
plat::NxF64 CPhysXFileStream::ReadDouble()
{
    return ReadValue<plat::NxF64>(*this);
}

bool CPhysXFileStream::ReadBuffer(void* buffer, plat::NxU32 size)
{
    if (size == 0)
        return true;
    unsigned int done = 0;
    char* out = static_cast<char*>(buffer);
    // CW32File::Read may return short counts before the end of the file.
    while (done < size)
    {
        const unsigned int n = m_File.Read(out + done, size - done);
        if (n == 0)
            break;
        done += n;
    }
    if (done < size)
    {
        std::memset(out + done, 0, size - done);
        MarkFailed();
        return false;
    }
    return true;
}

plat::NxStream& CPhysXFileStream::StoreByte(plat::NxU8 b)
{
    return StoreBuffer(&b, 1);
}
plat::NxStream& CPhysXFileStream::StoreWord(plat::NxU16 w)
{
    return StoreBuffer(&w, 2);
}
// Dwords and floats alike are four raw bytes.
plat::NxStream& CPhysXFileStream::StoreDword(plat::NxU32 d)
{
    return StoreBuffer(&d, 4);
}
plat::NxStream& CPhysXFileStream::StoreFloat(plat::NxF32 f)
{
    return StoreBuffer(&f, 4);
}
plat::NxStream& CPhysXFileStream::StoreDouble(plat::NxF64 f)
{
    return StoreBuffer(&f, 8);
}

plat::NxStream& CPhysXFileStream::StoreBuffer(const void* buffer, plat::NxU32 size)
{
    if (size > 0 && !m_File.Write(buffer, size))
        MarkFailed();
    return *this;
}

#include "app/CW32File.h"

CW32File::CW32File() : m_hFile(INVALID_HANDLE_VALUE) {}

CW32File::~CW32File()
{
    CW32File::Close();
}

void CW32File::Close()
{
    if (m_hFile != INVALID_HANDLE_VALUE)
        plat::CloseHandle(m_hFile);
    m_hFile = INVALID_HANDLE_VALUE;
}

bool CW32File::Open(const std::string& name, plat::DWORD access, plat::DWORD creation, plat::DWORD share,
                    plat::DWORD attributes)
{
    Close();
    m_hFile = plat::CreateFileA(name.c_str(), access, share, nullptr, creation, attributes, nullptr);
    return m_hFile != INVALID_HANDLE_VALUE;
}

bool CW32File::Seek(int32_t offset, plat::DWORD origin)
{
    return plat::SetFilePointer(m_hFile, offset, nullptr, origin) != plat::INVALID_SET_FILE_POINTER;
}

unsigned int CW32File::Read(void* buffer, unsigned int count)
{
    if (count == 0)
        return 1;
    plat::DWORD read = 0;
    if (!plat::ReadFile(m_hFile, buffer, count, &read, nullptr))
        return 0;
    return read;
}

bool CW32File::Write(const void* buffer, unsigned int count)
{
    if (count == 0)
        return true;
    plat::DWORD written = 0;
    return plat::WriteFile(m_hFile, buffer, count, &written, nullptr) && written > 0;
}

#pragma once

#include "platform/sys/W32Files.h"

#include <cstdint>
#include <cstdio>

// The text console the standard streams show in. On this platform the
// program's own standard streams are its console; the object keeps the
// console's title, buffer size and position, and never closes the streams.
class CConsoleWindow
{
public:
    CConsoleWindow();
    // Calls Destroy.
    virtual ~CConsoleWindow();
    CConsoleWindow(const CConsoleWindow&) = delete;
    CConsoleWindow& operator=(const CConsoleWindow&) = delete;

    // Each failure logs its message and returns false (the allocation
    // failure with flag 8, since no console exists to print it, the others
    // with flag 1).
    bool Create(const char* title, uint16_t columns, uint16_t rows, int16_t x, int16_t y);
    // Releases the streams and the buffer and frees the console. Safe to repeat.
    void Destroy();

    uint16_t GetColumns() const { return m_usWidth; }
    uint16_t GetRows() const { return m_usHeight; }

private:
    uint16_t m_usWidth;
    uint16_t m_usHeight;
    plat::HANDLE m_hScreenBuffer;
    FILE* m_pIn;
    FILE* m_pOut;
    FILE* m_pErr;
};

#include "scenesdk/attributes/KScnExporter.h"

namespace scenesdk
{

namespace
{

// Switch 3 is the one that starts off.
constexpr int kOptionOffByDefault = 3;

} // namespace

KScnExporter::KScnExporter(KScnSdkManager* manager) : KScnIO(manager)
{
    Reset();
}

KScnExporter::~KScnExporter()
{
    Reset();
}

void KScnExporter::Reset()
{
    SetWriter(nullptr);
    for (int i = 0; i < kOptionCount; ++i)
        m_Options[i] = i != kOptionOffByDefault;
    m_StatusText.Clear();
}

bool KScnExporter::Initialize(const char* fileName)
{
    Reset();
    return KScnIO::Initialize(fileName);
}

void KScnExporter::SetWriter(KScnWriter* writer)
{
    if (writer == m_Holder.writer)
        return;
    // Detach first: a writer whose destructor reaches back into the exporter
    // finds the slot already holding the new one.
    KScnWriter* old = m_Holder.writer;
    m_Holder.writer = writer;
    delete old;
}

bool KScnExporter::GetOption(int index) const
{
    return index >= 0 && index < kOptionCount && m_Options[index];
}

bool KScnExporter::SetOption(int index, bool on)
{
    if (index < 0 || index >= kOptionCount)
        return false;
    m_Options[index] = on;
    return true;
}

} // namespace scenesdk

#pragma once

// KScnExporter: the writing counterpart of the importer. It holds the writer
// of the file being exported (owned; none until one is installed) and a set of
// export switches. The SDK manager creates and destroys exporters.
//
// Every reset (construction, Initialize) destroys the writer, sets the
// switches to their defaults (all on but switch 3) and empties the status
// text; the export name is kept.

#include "scenesdk/attributes/KScnWriter.h"
#include "scenesdk/kernel/KScnIO.h"
#include "scenesdk/kernel/KString.h"

#include <cstdint>

namespace scenesdk
{

class KScnExporter : public KScnIO
{
public:
    static constexpr int kOptionCount = 11;

    explicit KScnExporter(KScnSdkManager* manager);

protected:
    // Destroyed only by the manager (KScnFree.h: one made without a manager).
    ~KScnExporter() override;
    friend class KScnSdkManager;

public:
    // Reset, then stores the file name (KScnIO::Initialize); true.
    bool Initialize(const char* fileName) override;
    void Reset();

    // Installs writer, taking ownership, and destroys the one held before.
    // Installing the writer already held changes nothing; null just destroys
    // the current one.
    void SetWriter(KScnWriter* writer);
    KScnWriter* GetWriter() const { return m_Holder.writer; }

    // Switch index (0..kOptionCount-1); false for an index out of range.
    bool GetOption(int index) const;
    // Sets switch index; false (nothing changed) for an index out of range.
    bool SetOption(int index, bool on);

    const char* GetExportName() const { return m_ExportName.Buffer(); }
    void SetExportName(const char* name) { m_ExportName = name != nullptr ? name : ""; }

private:
    struct WriterHolder
    {
        int32_t word = 0;             // reserved; nothing reads it
        KScnWriter* writer = nullptr; // owned
    };

    WriterHolder m_Holder;
    KString m_ExportName;
    bool m_Options[kOptionCount];
};

} // namespace scenesdk

#pragma once

// Writes scene files in the text or the binary encoding of
// docs/scene-file-format.md, for the data generator and the tests. It is a
// tool, not part of the scene SDK (which only reads scene files).
//
// The file is built in memory with a streaming interface:
//
//     CScnWriter w(CScnWriter::eBinary);
//     w.WriteHeader("my tool", "2026-12-07 12:00:00");
//     w.BeginField("Channel");
//     w.AddString("T");
//     w.BeginBlock();
//     ... fields of the sub-block ...
//     w.EndBlock();
//     w.EndField();
//     w.SaveFile("out.scn");
//
// Misuse (a value outside a field, a block opened twice, a name longer than
// 255 bytes, unbalanced calls) is remembered and makes Finish() fail.

#include <cstdint>
#include <string>
#include <vector>

class CScnWriter
{
public:
    enum EForm
    {
        eText = 0,
        eBinary = 1
    };

    // The version goes into the binary preamble and, through WriteHeader,
    // into the header block; it also decides how AddTime writes in text.
    explicit CScnWriter(EForm form, int32_t version = 6000);

    EForm Form() const { return m_Form; }
    int32_t Version() const { return m_Version; }

    // Writes the header block: "FileHeader" with "Version", "HeaderVersion"
    // (1000) and, when given, "Creator" and "CreationTime".
    void WriteHeader(const std::string& creator, const std::string& creationTime = std::string());

    void BeginField(const std::string& name);
    void EndField();
    // Opens the current field's sub-block; its values are complete then.
    void BeginBlock();
    void EndBlock();

    // Values of the current field. In text, characters are written as bare
    // words when they are letters or digits, otherwise quoted; floats and
    // doubles in their shortest exact form.
    void AddChar(char c);
    void AddInt(int32_t v);
    void AddLong(int64_t v);
    void AddFloat(float v);
    void AddDouble(double v);
    void AddString(const std::string& s);
    // A bare word (text) or a string (binary): for words such as
    // ByPolygonVertex that the text form writes without quotes.
    void AddWord(const std::string& word);
    // A time in ticks: "L" in binary; in text an integer of ticks from
    // version 2001 on, before that seconds (ticks / 46186158000).
    void AddTime(int64_t ticks);
    void AddDoubles(const double* v, size_t count);
    void AddInts(const int32_t* v, size_t count);

    // A whole one-value field.
    void IntField(const std::string& name, int32_t v);
    void DoubleField(const std::string& name, double v);
    void StringField(const std::string& name, const std::string& s);
    void CharField(const std::string& name, char c);

    // Closes the file (binary: CRC trailer) into out; false after misuse or
    // with fields or blocks still open. The writer is spent afterwards.
    bool Finish(std::string& out);
    bool SaveFile(const std::string& path);
    const std::string& Error() const { return m_Error; }
    // Bytes written so far.
    size_t Size() const { return m_Out.size(); }

private:
    struct Open
    {
        size_t recordStart; // binary: offset of the record head
        size_t valuesStart; // binary: offset of the first value
        uint32_t count;
        bool inBlock;
        bool hadBlock;
    };

    void Misuse(const char* what);
    bool InValues(); // a field is open and still takes values
    void TextValueSeparator();
    void TextIndent();
    void PutU32(uint32_t v);
    void PatchU32(size_t at, uint32_t v);
    void BinaryValue(char letter, const void* payload, size_t size);

    EForm m_Form;
    int32_t m_Version;
    std::string m_Out;
    std::vector<Open> m_Open;
    std::string m_Error;
    bool m_Finished = false;
};

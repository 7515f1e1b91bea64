#pragma once

// A scene text document in the binary encoding, for the tests and the
// benchmarks that read both spellings of one content.

#include <string>

class CScnWriter;

namespace scenesdk
{
class KScn;
}

// Copies the fields of the open block of in into the writer, each value in
// the binary type a writer would give it: integers as I (L past 32 bits),
// other numbers as D, single letters as C, everything else as texts; in a
// key list the times (a number at the start or after a letter) as L, the
// other numbers as D. The file's own header is left out.
void ScnCopyBlock(scenesdk::KScn& in, CScnWriter& w);

// The text document in the binary encoding, with a header of its own; false
// with why set when the text is no scene document or the writer failed.
bool ScnTextToBinary(const std::string& text, std::string& out, std::string& why);

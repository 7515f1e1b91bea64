#pragma once

#include <string>

namespace testsupport
{

// The bytes of a 16-bit PCM WAV file holding a sine tone.
std::string MakeWav(double seconds, int sampleRate = 22050, int channels = 1, double frequency = 440.0);

// True when the "lame" MP3 encoder is installed (scripts/setup installs it).
bool HaveMp3Encoder();

// Encodes the WAV file wavPath to mp3Path with lame; false when it failed.
bool EncodeMp3(const std::string& wavPath, const std::string& mp3Path);

} // namespace testsupport

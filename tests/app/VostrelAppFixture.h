#pragma once

// What the start-up tests of CVostrelApp share, whichever video driver they
// run on: a valid display section and a fixture layer that writes the test's
// "settings.ini" and reads its Error.log.

#include "platform/win32/W32Events.h"
#include "tests/support/TempDir.h"

#include <string>

namespace testsupport
{

// A display section every start-up step accepts: a 1024x768 window titled
// "My Town", console at (12, 34).
inline const char* const kGoodDisplaySettings = "[DISPLAY]\n"
                                                "ConsoleX=12\n"
                                                "ConsoleY=34\n"
                                                "title=My Town\n"
                                                "hRes=1024\n"
                                                "vRes=768\n"
                                                "fullscreen=false\n";

// Base is the fixture that brings up the video driver (a TempDirTest); this
// layer adds the settings file and the log, both in the test's own folder,
// and drops whatever messages the test left queued.
template <class Base> class VostrelAppTest : public Base
{
protected:
    void TearDown() override { plat::DiscardMessages(); }

    void WriteSettings(const std::string& text) { this->m_Dir.WriteFile("settings.ini", text); }
    std::string ErrorLog() const { return TempDir::ReadFile(this->m_Dir.Path() + "/Error.log"); }
};

} // namespace testsupport

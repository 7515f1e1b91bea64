#pragma once

#include <cstdint>
#include <string>

class CGameCtrl;

// A window into a running game for the end-to-end tests, opened only when a
// test names a file in "VOSTREL_TEST_OBSERVE". After every frame the file is
// replaced (written beside it, then renamed) by a few "key value" lines:
//
//   frame 123            frames run so far
//   state battle         menu, newlevel, build, battle, postlevel, postgame, none
//   level 1              the level number
//   score 40             the score
//   gold 860             the build state's gold
//   birds 3 14           birds remaining and in total of the battle
//   panel leveldone      the battle's result panel shown: leveldone,
//                        townlost or none
//   statue 280           the statue's health (-1 without a statue)
//   view 0.3 -0.1        the camera's heading (radians from -z towards +x)
//                        and its elevation
//   rss_kb 123456        the process's resident memory
//   eye 450 12 400       the camera's position
//   bird 460 40 420      the nearest flying bird's position; "bird none"
//                        without one
//   flock 460 40 420 ... every bird in the air (flying, or shot and falling):
//                        three numbers each
//
// The game reads nothing from it; the tests still play through real input.
class CTestObserver
{
public:
    explicit CTestObserver(const std::string& path) : m_strPath(path), m_uiFrame(0) {}

    // The path from the environment, empty when no test asked.
    static std::string PathFromEnvironment();
    // The lines for the game as it stands.
    std::string Describe(CGameCtrl& game) const;
    // Counts the frame and replaces the file; false when it cannot be written.
    bool Write(CGameCtrl& game);

private:
    std::string m_strPath;
    uint64_t m_uiFrame;
};

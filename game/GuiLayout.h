#pragma once

// Where the game's screens put their texts, buttons and panels, in units of
// the GUI's 1000 x 1000 virtual screen. A line of the GUI font is up to 28
// units high (in an 800 x 600 window), so lines of one column stand 32
// apart; every text fits its bar, panel or button with a margin in the
// window sizes and shapes the game offers, from 640 x 480 to 1280 x 1024
// (the GUI font follows the window's height, and in a window narrower than
// 4:3 its width; the GUI layout test measures them).
namespace guilayout
{

// The bars of the build screen (1000 x 150 at the top): the column of texts
// at the right ("Additional", "buildings", "necessary: 99" on the bar of
// demanded placements; "Gold: 99999" and "Time left: 99:59" on the building
// bar) and the building buttons, wide enough for a price of three digits
// ("999,-").
const float kBarTextX = 800.0f;
const float kBarLineY[3] = {24.0f, 56.0f, 88.0f};
const float kBuildingButtonX = 10.0f;
const float kBuildingButtonY = 20.0f;
const float kBuildingButtonWidth = 75.0f;
const float kBuildingButtonHeight = 80.0f;
const float kBuildingButtonGap = 10.0f;

// The battle's bar (1000 x 150 at the bottom): level done, statue, score.
const float kHudTextX = 700.0f;
const float kHudLineY[3] = {18.0f, 50.0f, 82.0f};

// The time-up, level-done and town-destroyed panels, centred: the message
// at the top left, the button centred below it.
const float kPanelX = 280.0f;
const float kPanelY = 425.0f;
const float kPanelWidth = 440.0f;
const float kPanelHeight = 150.0f;
const float kPanelTextX = 30.0f;
const float kPanelTextY = 30.0f;
const float kPanelButtonWidth = 150.0f;
const float kPanelButtonHeight = 50.0f;
const float kPanelButtonX = (kPanelWidth - kPanelButtonWidth) / 2;
const float kPanelButtonY = 80.0f;

} // namespace guilayout

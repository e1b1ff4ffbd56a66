#include "tray/TrayClicks.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace quill {
namespace {

// Plays the mouse messages the shell sends for a gesture, with a click timer
// that runs from a press until the double-click time has passed, and returns
// the events raised.
std::vector<std::string> Play(const std::string& gesture, bool hasDoubleClickHandler) {
    TTrayClicks clicks;
    bool timerRunning = false;
    std::vector<std::string> raised;
    for (const char step : gesture) {
        switch (step) {
        case 'D':
            if (clicks.LeftDown(hasDoubleClickHandler)) {
                timerRunning = true;
            }
            break;
        case 'U':
            if (clicks.LeftUp(timerRunning)) {
                raised.push_back("click");
            }
            break;
        case '2':
            clicks.DoubleClick();
            if (hasDoubleClickHandler) {
                raised.push_back("double click");
            }
            break;
        case 'T':
            if (timerRunning) {
                timerRunning = false;
                if (clicks.ClickTimeElapsed()) {
                    raised.push_back("click");
                }
            }
            break;
        }
    }
    return raised;
}

TEST(TrayClicks, SingleAndDoubleClicksRaiseTheirOwnEvents) {
    struct TCase {
        const char* Gesture; // D press, U release, 2 double click, T double-click time over
        bool DoubleClickHandler;
        std::vector<std::string> Raised;
    };
    const TCase cases[] = {
        {"DU", false, {"click"}},
        {"DU", true, {}},
        {"DUT", true, {"click"}},
        {"DU2UT", true, {"double click"}},
        {"DUT2U", true, {"click", "double click"}},
        {"DU2U", false, {"click"}},
        {"U", false, {}},
        {"DUTDUT", true, {"click", "click"}},
    };
    for (const TCase& c : cases) {
        EXPECT_EQ(Play(c.Gesture, c.DoubleClickHandler), c.Raised)
            << c.Gesture << (c.DoubleClickHandler ? " with" : " without") << " a double-click handler";
    }
}

} // namespace
} // namespace quill

// The rules with numbers in them, each over a table of cases: the tabs' click bands and hover
// zones, the channel column's layout, the volume steps, the screen check and the minimised icon.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "controls/PlayerBarRules.h"
#include "mainwnd/Display.h"
#include "mainwnd/FrameGeometry.h"
#include "portal/PortalTabs.h"
#include "skin/SkinGeometry.h"

namespace {

struct PointCase {
    RECT rc;
    POINT point;
    bool bInside;
};

std::string Describe(const PointCase& c)
{
    return "(" + std::to_string(c.point.x) + "," + std::to_string(c.point.y) + ") in {" + std::to_string(c.rc.left) +
           "," + std::to_string(c.rc.top) + "," + std::to_string(c.rc.right) + "," + std::to_string(c.rc.bottom) + "}";
}

TEST(LayoutRuleTest, TabClickBandHasStrictEdgesShiftedForTheCaption)
{
    const RECT tab = {100, 40, 200, 105}, below = {-50, -30, -10, 40}, odd = {0, 0, 7, 55};
    const PointCase cases[] = {
        // x from left + 1 to right - 1, y from top - 19 to bottom - 32
        {tab, {100, 50}, false}, {tab, {101, 50}, true}, {tab, {199, 50}, true}, {tab, {200, 50}, false},
        {tab, {150, 20}, false}, {tab, {150, 21}, true}, {tab, {150, 73}, true}, {tab, {150, 74}, false},
        {tab, {105, 50}, true},  // never hot there: see the hover zone
        {below, {-49, -49}, true}, {below, {-11, 8}, true}, {below, {-50, 0}, false}, {below, {-10, 0}, false},
        {below, {-20, -50}, false}, {below, {-20, 9}, false},
        {odd, {1, -19}, true}, {odd, {6, 23}, true}, {odd, {0, 0}, false}, {odd, {7, 0}, false}, {odd, {3, 24}, false},
        // Thirteen pixels high leaves one row; twelve, none. Empty and inverted rectangles hold nothing.
        {{0, 0, 10, 13}, {5, -19}, true}, {{0, 0, 10, 12}, {5, -20}, false}, {{0, 0, 10, 12}, {5, -19}, false},
        {{10, 10, 10, 10}, {10, -5}, false}, {{200, 40, 100, 105}, {150, 50}, false},
    };
    for (const PointCase& c : cases)
        EXPECT_EQ(IsInTabClickBand(CRect(c.rc), CPoint(c.point.x, c.point.y)), c.bInside) << Describe(c);
}

TEST(LayoutRuleTest, TabHoverZoneIsTheClickBandShrunkByTenOnEverySide)
{
    const RECT tab = {156, 31, 260, 96}, below = {-100, -60, -20, 20}, odd = {0, 0, 23, 63};
    const PointCase cases[] = {
        // x from left + 11 to right - 11, y from top - 9 to bottom - 42
        {tab, {166, 40}, false}, {tab, {167, 40}, true}, {tab, {249, 40}, true}, {tab, {250, 40}, false},
        {tab, {200, 21}, false}, {tab, {200, 22}, true}, {tab, {200, 54}, true}, {tab, {200, 55}, false},
        {{100, 40, 200, 105}, {105, 50}, false},
        {below, {-89, -69}, true}, {below, {-31, -22}, true}, {below, {-90, -50}, false}, {below, {-30, -50}, false},
        {below, {-50, -70}, false}, {below, {-50, -21}, false},
        {odd, {11, -9}, true}, {odd, {12, 21}, true}, {odd, {10, 0}, false}, {odd, {13, 0}, false},
        {odd, {11, 22}, false}, {odd, {11, -10}, false},
        // Twenty-two pixels wide leaves one column; twenty-one, none, and the shrink inverts narrower ones.
        {{0, 0, 22, 65}, {11, 0}, true}, {{0, 0, 21, 65}, {10, 0}, false}, {{0, 0, 21, 65}, {11, 0}, false},
        {{0, 0, 15, 65}, {7, 0}, false}, {{10, 10, 10, 10}, {10, 0}, false}, {{200, 40, 100, 105}, {150, 50}, false},
    };
    for (const PointCase& c : cases)
        EXPECT_EQ(IsInTabHoverZone(CRect(c.rc), CPoint(c.point.x, c.point.y)), c.bInside) << Describe(c);
}

std::vector<int> Flatten(const ChannelColumnLayout& layout)
{
    std::vector<int> values;
    for (const Placement& place : {layout.listPane, layout.toggle, layout.lowerPane, layout.player})
        values.insert(values.end(), {place.x, place.y, place.cx, place.cy});
    return values;
}

TEST(LayoutRuleTest, ChannelColumnWidensThePaneAndThePlayerByTheListPaneWhenCollapsed)
{
    // P, T, B and G: list pane, handle, lower pane, logo. The places: list pane, handle, lower pane, player.
    const struct { const char* what; bool bCollapsed; RECT P, T, B, G; std::vector<int> places; } cases[] = {
        {"captured", true, {0, 580, 188, 786}, {182, 100, 192, 772}, {191, 554, 765, 786}, {0, 31, 157, 96},
         {0, 0, 0, 0, -8, 69, 10, 672, 3, 523, 762, 232, 3, 65, 762, 458}},
        {"captured", false, {0, 580, 188, 786}, {182, 100, 192, 772}, {191, 554, 765, 786}, {0, 31, 157, 96},
         {0, 549, 188, 206, 180, 69, 10, 672, 191, 523, 574, 232, 191, 65, 574, 458}},
        {"odd sizes", true, {5, 101, 12, 150}, {11, 33, 18, 100}, {21, 97, 64, 140}, {0, 31, 9, 70},
         {0, 0, 0, 0, 2, 2, 7, 67, 14, 66, 50, 43, 14, 39, 50, 27}},
        {"odd sizes", false, {5, 101, 12, 150}, {11, 33, 18, 100}, {21, 97, 64, 140}, {0, 31, 9, 70},
         {5, 70, 7, 49, 9, 2, 7, 67, 21, 66, 43, 43, 21, 39, 43, 27}},
        {"left of the corner", true, {-40, -10, -20, 20}, {-30, 0, -25, 50}, {-10, 20, 10, 60}, {-50, -31, -40, 0},
         {0, 0, 0, 0, -52, -31, 5, 50, -30, -11, 40, 40, -30, -31, 40, 20}},
        {"left of the corner", false, {-40, -10, -20, 20}, {-30, 0, -25, 50}, {-10, 20, 10, 60}, {-50, -31, -40, 0},
         {-40, -41, 20, 30, -32, -31, 5, 50, -10, -11, 20, 40, -10, -31, 20, 20}},
        // An inverted list pane shifts the other way; a logo below the lower pane's top gives a negative height.
        {"inverted", true, {50, 40, 20, 60}, {10, 40, 20, 100}, {100, 200, 300, 260}, {0, 31, 100, 300},
         {0, 0, 0, 0, 38, 9, 10, 60, 130, 169, 170, 60, 130, 269, 170, -100}},
        {"inverted", false, {50, 40, 20, 60}, {10, 40, 20, 100}, {100, 200, 300, 260}, {0, 31, 100, 300},
         {50, 9, -30, 20, 8, 9, 10, 60, 100, 169, 200, 60, 100, 269, 200, -100}},
    };
    for (const auto& c : cases) {
        const ChannelColumnLayout layout = LayoutChannelColumn(c.bCollapsed, CRect(c.P), CRect(c.T), CRect(c.B), CRect(c.G));
        EXPECT_EQ(Flatten(layout), c.places) << c.what << (c.bCollapsed ? ", collapsed" : ", expanded");
    }
}

TEST(LayoutRuleTest, VolumeStepsStopShortOf0And100)
{
    const std::optional<long> refused;
    const struct { long volume; std::optional<long> up, down; } cases[] = {
        {0, 10, refused},   {9, 19, refused},   {10, 20, 0},      {11, 21, 1},        {89, 99, 79},
        {90, 100, 80},      {91, refused, 81},  {100, refused, 90}, {-1, 9, refused}, {-15, -5, refused},
        {101, refused, 91}, {150, refused, 140},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(VolumeAfterStepUp(c.volume), c.up) << "up from " << c.volume;
        EXPECT_EQ(VolumeAfterStepDown(c.volume), c.down) << "down from " << c.volume;
    }
}

TEST(LayoutRuleTest, ScreensBelow1024x768InEitherDirectionNeedAChange)
{
    const struct { SIZE screen; bool bChange; } cases[] = {
        {{1023, 767}, true},  {{1023, 768}, true},  {{1023, 769}, true},  {{1024, 767}, true}, {{1024, 768}, false},
        {{1024, 769}, false}, {{1025, 767}, true},  {{1025, 768}, false}, {{1025, 769}, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(NeedsResolutionChange(c.screen), c.bChange) << c.screen.cx << "x" << c.screen.cy;
}

TEST(LayoutRuleTest, MinimisedIconIsCentredWithTheHalfPixelRoundedTowardZero)
{
    const struct { int cx, cy, x, y; } cases[] = {{100, 50, 34, 9}, {33, 32, 1, 0}, {10, 0, -10, -15}};
    for (const auto& c : cases) {
        const CPoint at = MinimisedIconPosition(c.cx, c.cy, 32, 32);
        EXPECT_EQ(std::make_pair(at.x, at.y), std::make_pair(LONG(c.x), LONG(c.y))) << c.cx << "x" << c.cy;
    }
}

}  // namespace

// Where the toolkit puts windows: centred over their owner or the work area, never out of the
// work area's reach.
#include "framework/Wnd.h"

#include <gtest/gtest.h>

namespace
{

struct PlaceCase
{
    const char* name;
    SIZE window;
    RECT over, work;
    POINT expected;
};

TEST(CentredPosition, CentredThenKeptInsideTheWorkArea)
{
    const RECT screen = {0, 0, 1280, 1024};
    const RECT small = {0, 0, 1024, 600};
    const RECT shifted = {-1024, 40, 0, 640}; // a second monitor left of the first, a top bar
    const PlaceCase cases[] = {
        {"fits the screen", {660, 652}, screen, screen, {310, 186}},
        {"taller than a small screen", {660, 652}, small, small, {182, 0}},
        {"taller and wider", {1100, 652}, small, small, {0, 0}},
        {"over an owner near the right edge",
         {300, 200},
         {1100, 100, 1280, 300},
         screen,
         {980, 100}},
        {"over an owner near the bottom", {300, 200}, {100, 950, 400, 1020}, screen, {100, 824}},
        {"over an owner above the top", {300, 200}, {0, -300, 300, -100}, screen, {0, 0}},
        {"on a work area off the origin", {660, 652}, shifted, shifted, {-842, 40}},
        {"exactly the work area", {1024, 600}, small, small, {0, 0}},
    };
    for (const PlaceCase& c : cases)
    {
        const POINT at = fw::CentredPosition(c.window, c.over, c.work);
        EXPECT_EQ(c.expected.x, at.x) << c.name;
        EXPECT_EQ(c.expected.y, at.y) << c.name;
    }
}

} // namespace

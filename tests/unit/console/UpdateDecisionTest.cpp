#include "console/UpdateDecision.h"

#include <gtest/gtest.h>

// Only the own version or "error", whatever the blanks around and the case, is not newer.
TEST(UpdateDecision, EveryAnswerButOwnVersionOrErrorAnnouncesANewerVersion)
{
    for (const char* answer : {"1.4", " 1.4\r\n", "\t1.4 \n", "error", "ERROR", " Error\r\n"})
        EXPECT_FALSE(IsNewerVersion(answer)) << '"' << answer << '"';
    for (const char* answer :
         {"1.5", "1.3", "", "   ", "<html><body>Not here</body></html>", "1.4.1", "1. 4"})
        EXPECT_TRUE(IsNewerVersion(answer)) << '"' << answer << '"';
}

TEST(UpdateDecision, FoundDiskTextCarriesTheModelVerbatim)
{
    EXPECT_EQ("디스크 ACME SSD 120G를 발견하였습니다.", FormatSsdFound("ACME SSD 120G"));
    // A model is data, never a format: percent signs come out as they are.
    EXPECT_EQ("디스크 %s%n SSD를 발견하였습니다.", FormatSsdFound("%s%n SSD"));
}

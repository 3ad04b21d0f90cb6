#include "engine/shotdate/ShotDate.h"
#include "support/ControllingTerminal.h"

#include <gtest/gtest.h>

namespace pixbako {
namespace {

TEST(ShotDateOpen, TerminalAmongThePicturesDoesNotBecomeTheControllingTerminal) {
    std::string report =
        test::controllingTerminalAfter([](const std::string& path) { readShotDate(path, 0); });
    if (report.rfind("SKIP:", 0) == 0)
        GTEST_SKIP() << report;
    EXPECT_EQ(report, "");
}

} // namespace
} // namespace pixbako

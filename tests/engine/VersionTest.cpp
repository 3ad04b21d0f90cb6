#include "engine/Version.h"

#include <gtest/gtest.h>

TEST(Version, IsTheFourPartProjectVersion) { EXPECT_EQ(pixbako::versionText(), "2.1.0.0"); }

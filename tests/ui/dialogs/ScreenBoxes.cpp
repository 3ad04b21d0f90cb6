// These tests look at the real boxes on the offscreen platform, where the program itself would
// write them to standard error: they ask for the screen explicitly.
#include "ui/dialogs/QtDialogs.h"

#include <gtest/gtest.h>

namespace {

class ScreenBoxes : public ::testing::Environment {
public:
    void SetUp() override { pixbako::setBoxDisplay(pixbako::BoxDisplay::Screen); }
};

const auto* const kScreenBoxes = ::testing::AddGlobalTestEnvironment(new ScreenBoxes);

} // namespace

// The fixture every uninstaller unit test starts from: a fresh, empty model
// of the platform, and at the end the check that the code under test gave
// back every handle it was handed.
#pragma once

#include <gtest/gtest.h>

#include "fake_platform.h"

class PlatformTest : public ::testing::Test {
 protected:
  void SetUp() override { fake::Reset(); }

  void TearDown() override {
    auto& platform = fake::Platform();
    EXPECT_EQ(platform.OpenCount(fake::HandleKind::kRegistryKey), 0) << "registry keys left open";
    EXPECT_EQ(platform.OpenCount(fake::HandleKind::kFind), 0) << "directory searches left open";
    EXPECT_EQ(platform.OpenCount(fake::HandleKind::kProcess), 0) << "process handles left open";
    EXPECT_EQ(platform.OpenCount(fake::HandleKind::kThread), 0) << "thread handles left open";
    EXPECT_EQ(platform.OpenCount(fake::HandleKind::kItemIdList), 0) << "item lists not freed";
  }

  fake::FakePlatform& platform() { return fake::Platform(); }
};

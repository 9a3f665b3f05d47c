// A test fixture with a scratch directory named after the running test that holds the test tune.
#pragma once

#include "host/audio/TestSounds.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <string>

namespace quib::test {

class TuneFixture : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = ScratchDirectory(::testing::UnitTest::GetInstance()->current_test_info()->name());
        tune_ = dir_ + "/tune.mod";
        ASSERT_TRUE(WriteTune(tune_));
    }
    // Removes the directory and everything the test wrote into it.
    void TearDown() override { std::filesystem::remove_all(dir_); }

    std::string dir_;
    std::string tune_; // dir_ + "/tune.mod"
};

} // namespace quib::test

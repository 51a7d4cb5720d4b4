#pragma once

#include "model/stereo_model.h"

#include <cstdio>
#include <string>

#include <gtest/gtest.h>

// Builds the process-wide model for one test and releases it afterwards.
class ModelTest : public testing::Test {
  protected:
    void SetUp() override { Setup_Stereo_Model(); }
    void TearDown() override { Release_Stereo_Model(); }
};

// A value as the readout shows it.
inline std::string Three_Decimals(double v)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.3f", v);
    return text;
}

// A fixture that installs a fresh simulated system for each test.
#pragma once

#include "support/simulated_system.h"

#include <gtest/gtest.h>

class SimulatedTest : public ::testing::Test {
protected:
    sim::SimulatedSystem system;

private:
    os::ScopedSystem m_installed{system};
};

// Tests of the SetUp tab.
#include <gtest/gtest.h>

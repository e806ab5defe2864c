// Tests of the Programming tab.
#include <gtest/gtest.h>

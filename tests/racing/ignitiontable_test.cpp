#include "racing/ignitiontable.h"

#include <gtest/gtest.h>

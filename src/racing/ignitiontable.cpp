#include "ignitiontable.h"

#include "vmzfile.h"

#include "TestDoubles.h"

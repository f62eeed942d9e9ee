#include "statefiles.h"

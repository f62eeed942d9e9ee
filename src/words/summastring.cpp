#include "summastring.h"

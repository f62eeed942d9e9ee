#include "receiptlayout.h"

#include "detect/osversion.h"

int32_t osMajorVersion = 0;

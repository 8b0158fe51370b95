#include "sim/motion.h"

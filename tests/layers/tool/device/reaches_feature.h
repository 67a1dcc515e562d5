// Fixture: the simulated device reaching a feature of the program.
#include "receive/receive_display.h"

// Fixture: a layer of the program that reaches into the simulated device.
#include "device/frames.h"

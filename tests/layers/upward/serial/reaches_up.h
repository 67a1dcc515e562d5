// Fixture: a serial file that reaches up into a feature.
#include "port/port_switch.h"

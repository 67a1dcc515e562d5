// Fixture: a serial file that reaches up into a feature.
#include "port_switch/port_switch.h"

// Fixture: a codec file that reaches up into a feature through angle brackets.
#include <vector>
#include <receive/receive_display.h>

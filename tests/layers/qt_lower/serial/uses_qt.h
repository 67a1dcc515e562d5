// Fixture: a lower-case Qt header outside the Qt binding.
#include <queue>
#include <qglobal.h>

// ybiOrient: orientation coefficient files and model point sets.
#include <yb/ybiOrient.h>

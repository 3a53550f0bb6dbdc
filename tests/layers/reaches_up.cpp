// A file of the bottom layer that reaches up to the engine. It must not compile: the
// test layers_run_one_way builds it and expects the engine's header not to be found.
#include "engine/board_engine.h"

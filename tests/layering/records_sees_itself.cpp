// Compiled with the records layer's include roots alone: it must compile.
#include "records/problem_files.h"

// Compiled with the records layer's include roots alone: the engine lies
// above records, so this must not compile.
#include "records/problem_files.h"
#include "engine/job_view.h"

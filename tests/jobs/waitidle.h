#pragma once

#include "jobs/jobrunner.h"

// Serves the event loop, as the window would, until the runner has no job
// running or waiting (false after `ms` milliseconds).
bool WaitUntilIdle(qm::JobRunner &runner, int ms = 20000);

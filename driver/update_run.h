// The update run: compares the installed and the server version and applies
// every pending version in order.
#pragma once

#include <ostream>

#include "categories/category_run.h"

// Applies one version: the seven categories in their fixed order, stopping at
// the first failed transfer.
category_result get_actualization(long long hundredths, update_target target);

// The whole run. Returns the exit status: 0 when the game was or is now up to
// date, 1 when something failed (the reason is on target.err).
int get_total_actualization(update_target target);

// The banner printed before the run.
extern const char kBanner[];

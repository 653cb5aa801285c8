// Several conversions at a time, each in its own worker process: the
// converter keeps its state process-wide (and some of it, such as the phase
// continuity per satellite, for the life of the process), so every file gets
// a fresh process and converts exactly as it would alone. A worker is this
// program run as "jpsconv convert --worker ..."; it reports progress, the
// converter's messages and its result as lines on its standard output.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "tools/jpsconv/conversion.h"
#include "tools/jpsconv/convert_arguments.h"
#include "tools/jpsconv/progress_bar.h"

namespace jpsconv {

// The worker's side: converts one job and reports on stdout. Returns the exit status.
int RunWorker(const ConversionJob& job, const ConvertArguments& args);

// The parent's side: runs the jobs, at most args.jobs at a time; calls
// finished for each job as it ends (in the order they end).
void RunWorkers(const std::vector<ConversionJob>& jobs, const ConvertArguments& args,
                ProgressBar& bar, const std::function<void(const ConversionResult&)>& finished);

}  // namespace jpsconv
